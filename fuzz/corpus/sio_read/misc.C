(a # c
	: (b)
	:"c d" ("e f")
	:_p (x)
	:q x
)
