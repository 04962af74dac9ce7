(net
			:ßpopup (window)
		::a (10.0.0.0(h
		:_popup (window))
		:x (09.0.0.0)
	)
)
