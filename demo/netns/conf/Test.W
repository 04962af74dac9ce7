(
	:comments ("ping and one TCP port from the inside to the outside; the rest dropped and logged")
	:rule (
		:src (
			: client
		)
		:dst (
			: server
		)
		:services (
			: echo-request
		)
		:action (
			: accept
		)
		:track (
			: Long
		)
		:install (
			: Gateways
		)
	)
	:rule (
		:src (
			: client
		)
		:dst (
			: server
		)
		:services (
			: web
		)
		:action (
			: accept
		)
		:track (
			: Long
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
			: Long
		)
		:install (
			: Gateways
		)
	)
)
