(objects
	:netobj (
		: (gw
			:type (gateway)
			:ipaddr (192.9.200.1)
			:location (internal)
			:firewall (installed)
		)
		: (mailserver
			:type (host)
			:ipaddr (192.9.200.10)
			:location (internal)
		)
	)
	:servobj (
		: (smtp
			:type (tcp)
			:port (25)
		)
	)
	:props (
		: (props
			:loggrace (62)
			:rip (true)
			:rip_p (first)
			:outgoing (true)
			:outgoing_p (last)
		)
	)
)
