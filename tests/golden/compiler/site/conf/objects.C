(objects
	:netobj (
		: (gw
			:type (gateway)
			:ipaddr (192.9.200.1)
			:location (internal)
			:firewall (installed)
			:if-0 (le0
				:ifname (le)
				:ifnum (0)
				:ipaddr (192.9.200.1)
				:netmask (255.255.255.0)
				:netaccess (x
					:access (this)
				)
				:netaccesslog (long)
			)
			:if-1 (le1
				:ifname (le)
				:ifnum (1)
				:ipaddr (198.51.100.1)
				:netmask (255.255.255.0)
				:netaccess (y
					:access (default)
				)
				:netaccesslog (Spoof)
			)
			:if-2 (le2
				:ifname (le)
				:ifnum (2)
				:ipaddr (10.9.0.1)
				:netmask (255.255.0.0)
				:netaccess (z
					:access (open)
				)
			)
		)
		: (fw1
			:type (host)
			:ipaddr (192.9.200.21)
			:location (internal)
			:firewall (installed)
		)
		: (fw2
			:type (host)
			:ipaddr (192.9.200.22)
			:firewall (installed)
		)
		: (outpost
			:type (host)
			:ipaddr (203.0.113.9)
			:location (external)
			:firewall (installed)
		)
		: (rtr
			:type (router)
			:vendor (cisco)
			:ipaddr (192.9.200.254)
			:location (internal)
		)
		: (mailserver
			:type (host)
			:ipaddr (192.9.200.10)
			:location (internal)
		)
		: (a
			:type (host)
			:ipaddr (192.9.200.11)
		)
		: (b
			:type (host)
			:ipaddr (192.9.200.12)
		)
		: (corpnet
			:type (network)
			:ipaddr (192.9.200.0)
			:netmask (255.255.255.0)
			:broadcast (disallow)
		)
		: (lab
			:type (network)
			:ipaddr (10.1.0.0)
			:netmask (255.255.0.0)
		)
		: (outside
			:type (network)
			:ipaddr (203.0.113.0)
			:netmask (255.255.255.0)
			:location (external)
		)
		: (example
			:type (domain)
		)
		: (hosts
			:type (group)
			: a
			: b
		)
		: (empty
			:type (group)
		)
		: (nested
			:type (group)
			: empty
		)
	)
	:servobj (
		: (telnet
			:type (tcp)
			:port (23)
		)
		: (ftp
			:type (tcp)
			:port (21)
		)
		: (smtp
			:type (tcp)
			:port (25)
		)
		: (ping
			:type (icmp)
			:port (8)
		)
		: (gre
			:type (other)
			:exp ("ip_p = 47")
		)
		: (login
			:type (group)
			: telnet
			: ftp
		)
		: (mixed
			:type (group)
			: telnet
			: smtp
		)
	)
	:props (
		: (props
			:gatewaydir (inbound)
		)
	)
)
