(
	:rule (
		:src (
			: Any
		)
		:dst (
			: mailserver
		)
		:services (
			: smtp
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: mailserver
		)
		:services (
			: smtp
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
		)
	)
)
