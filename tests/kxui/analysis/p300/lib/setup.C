(setup
	:actobj (
		: (accept
			:action (accept)
		)
		: (drop
			:action (drop)
		)
	)
	:trackobj (
		: (short
			:macro (LOG)
		)
	)
	:targobj (
		: (Src)
		: (Dst)
		: (Gateways)
		: (Routers)
	)
	:kxobj (
		: (Any)
	)
)
