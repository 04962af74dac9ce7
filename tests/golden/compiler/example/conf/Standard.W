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
		:track (
			: short
		)
		:install (
			: Gateways
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: Any
		)
		:services (
			: Any
		)
		:action (
			: drop
		)
		:track (
			: long
		)
		:install (
			: Gateways
		)
	)
)
