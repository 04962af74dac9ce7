(objects
	:netobj (
		: (gate
			:type (gateway)
			:ipaddr (192.168.10.1)
			:location (internal)
			:firewall (installed)
			:comments ("main gate")
		)
		: (mail
			:type (host)
			:ipaddr (192.168.10.2)
			:location (internal)
		)
		: (servers
			:type (group)
			: gate
			: mail
		)
	)
)
