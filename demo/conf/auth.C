(auth
	:auth-domain (
		: (office
			:gateway gw
			:comments ("users authenticate at the main gateway")
		)
	)
)
