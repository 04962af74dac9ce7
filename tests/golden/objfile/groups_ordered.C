(objects
	:netobj (
		: (h1
			:type (host)
		)
		:named (h2
			:type (host)
		)
		: (all
			:type (group)
			: (a
				:type (host)
			)
		)
		: (mid
			:type (group)
			: h1
		)
		: (top
			:type (group)
			: h1
			: mid
		)
	)
	:servgen ()
	:servobj ()
	:props ()
	:translations ()
	:log-props ()
)
