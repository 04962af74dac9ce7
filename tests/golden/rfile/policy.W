(policy
	:comments ("kept as read")
	:rule (
		:src (
			: gate
		)
		:services (
			: smtp
		)
		:action (
			: accept
		)
	)
	:rule (
		:src (
			:op ("not in")
			: servers
		)
		:action (
			: drop
		)
	)
	:rule (
		:dst (
			: (printer)
		)
	)
)
