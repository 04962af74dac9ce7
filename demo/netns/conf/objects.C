(objects
	:netobj (
		: (default
			:type (network)
			:ipaddr (0.0.0.0)
			:netmask 0.0.0.0
			:show_in_menus (false)
		)
		: (fw
			:type (gateway)
			:ipaddr (192.0.2.1)
			:location (internal)
			:firewall (installed)
			:show_in_menus (true)
			:comments ("the module between the inside and the outside")
			:if-0 (le0
				:ifname (le0)
				:ifnum (0)
				:ipaddr 192.0.2.1
				:netmask (255.255.255.0)
				:netaccess ("This Net"
					:access (this)
				)
				:netaccesslog ("Spoof Log"
					:macro (LOG)
					:format (long)
				)
			)
			:if-1 (le1
				:ifname (le1)
				:ifnum (1)
				:ipaddr (198.51.100.1)
				:netmask (255.255.255.0)
				:netaccess (Others
					:access default
				)
			)
		)
		: (client
			:type (host)
			:ipaddr (192.0.2.10)
			:location (internal)
			:firewall ("not installed")
			:show_in_menus (true)
		)
		: (server
			:type (host)
			:ipaddr (198.51.100.10)
			:location (external)
			:firewall ("not installed")
			:show_in_menus (true)
		)
	)
	:servobj (
		: (web
			:type (tcp)
			:port (8080)
		)
		: (echo-request
			:type (icmp)
			:exp ("icmp_type = 8")
		)
	)
	:servgen ()
	:props (
		: (firewall_properties
			:gatewaydir (inbound)
			:kx1enable (true)
			:kx1enable_p (first)
			:established (true)
			:established_p first
			:icmpenable (false)
			:outgoing true
			:outgoing_p (last)
			:loggrace (62)
		)
	)
	:translations ()
	:log-props ()
)
