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
		: (short)
		: (long)
	)
	:targobj (
		: (Gateways
			:type (Gateways)
		)
	)
	:kxobj (
		: (Any
			:type (any)
		)
	)
)
