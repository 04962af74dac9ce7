(
	:comments ("Standard policy of the demonstration site")
	:rule (
		:src (
			: Any
		)
		:dst (
			: gw
		)
		:services (
			: Any
		)
		:action (
			: drop
		)
		:track (
			: Alert
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
			: mail
		)
		:services (
			: smtp
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
			: mail
		)
		:dst (
			:op ("not in")
			: site
		)
		:services (
			: smtp
		)
		:action (
			: accept
		)
		:track (
			: Short
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
			: www
		)
		:services (
			: http
		)
		:action (
			: accept
		)
		:track (
			: Short
		)
		:install (
			: Gateways
			: cisco-dmz
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: ns
		)
		:services (
			: domain-udp
		)
		:action (
			: accept
		)
		:track (
			: Short
		)
		:install (
			: Dst
		)
	)
	:rule (
		:src (
			: (Staff@partner-net
				:type (usrgroup)
				:at partner-net
			)
		)
		:dst (
			: servers
		)
		:services (
			: auth-services
		)
		:action (
			: "User Auth"
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
			: inside-nets
		)
		:dst (
			: Any
		)
		:services (
			:op ("not in")
			: x11
			: ip-gre
		)
		:action (
			: accept
		)
		:track (
			: Account
		)
		:install (
			: Src
		)
	)
	:rule (
		:src (
			: net-lab
		)
		:dst (
			: partner-net
		)
		:services (
			: ftp
			: telnet
		)
		:action (
			: accept
		)
		:track (
			: Long
		)
		:install (
			: wf-lab
		)
	)
	:rule (
		:src (
			: partner-net
		)
		:dst (
			: inside-nets
		)
		:services (
			: Any
		)
		:action (
			: reject
		)
		:track (
			: Mail
		)
		:install (
			: Gateways
			: Routers
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
