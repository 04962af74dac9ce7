(objects
	:netobj (
		: (default
			:type (network)
			:ipaddr (0.0.0.0)
			:netmask 0.0.0.0
			:show_in_menus (false)
			:comments ("every address; stands in for interfaces without a valid-address setting")
		)
		: (net-inside
			:type (network)
			:ipaddr (192.168.10.0)
			:netmask (255.255.255.0)
			:broadcast (allow)
			:location (internal)
			:color ("Navy Blue")
			:show_in_menus (true)
			:comments ("office network")
		)
		: (net-dmz
			:type (network)
			:ipaddr (192.168.20.0)
			:netmask (255.255.255.0)
			:broadcast (disallow)
			:location (internal)
			:color (Orange)
			:show_in_menus (true)
			:comments ("public servers")
		)
		: (net-lab
			:type (network)
			:ipaddr (10.1.0.0)
			:netmask (255.255.0.0)
			:broadcast (disallow)
			:location (internal)
			:gateways (gw)
			:show_in_menus (true)
			:comments ("lab subnet of 10.0.0.0 behind the Wellfleet router")
		)
		: (partner-net
			:type (network)
			:ipaddr (172.16.0.0)
			:netmask (255.255.0.0)
			:location (external)
			:show_in_menus (true)
			:comments ("a partner's network")
		)
		: (.partner.example
			:type (domain)
			:location (external)
			:show_in_menus (true)
			:comments ("the partner's name domain")
		)
		: (gw
			:type (gateway)
			:ipaddr (192.168.10.1)
			:location (internal)
			:firewall (installed)
			:color (Firebrick)
			:show_in_menus (true)
			:read_community (public)
			:write_community (private)
			:comments ("main gateway between the office and the Internet")
			:if-0 (le0
				:ifname (le0)
				:ifnum (0)
				:iffullname ("lance ethernet 0")
				:ipaddr 192.168.10.1
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
				:iffullname ("lance ethernet 1")
				:ipaddr (198.51.100.2)
				:netmask (255.255.255.0)
				:netaccess (Others
					:access default
				)
				:netaccesslog ("Spoof Alert"
					:macro (LOG)
					:format (long)
					:alert (spoofalert)
				)
			)
		)
		: (mail
			:type (host)
			:ipaddr (192.168.10.2)
			:location (internal)
			:firewall ("not installed")
			:show_in_menus (true)
			:read_community (public)
			:write_community (private)
			:comments ("mail server")
		)
		: (ns
			:type (host)
			:ipaddr (192.168.10.3)
			:location (internal)
			:firewall (installed)
			:show_in_menus (true)
			:read_community (public)
			:write_community (private)
			:comments ("name server with its own firewall module")
		)
		: (www
			:type (host)
			:ipaddr (192.168.20.10)
			:location (internal)
			:firewall ("not installed")
			:show_in_menus (true)
			:read_community (public)
			:write_community (private)
			:comments ("web server")
		)
		: (relay
			:type (host)
			:ipaddr (203.0.113.7)
			:location (external)
			:firewall ("not installed")
			:show_in_menus (true)
			:comments ("the partner's mail relay")
		)
		: (cisco-dmz
			:type (router)
			:ipaddr (192.168.20.254)
			:location (internal)
			:vendor (cisco)
			:alnum (101)
			:version (10.x)
			:rules_dir (inbound)
			:spoof_dir inbound
			:vendor_info (
				:alnum 101
				:version 10.x
				:rules_dir inbound
				:spoof_dir inbound
			)
			:show_in_menus (true)
			:read_community (public)
			:write_community public
			:comments ("Cisco router in front of the DMZ")
			:if-0 (ethernet0
				:ifname (ethernet)
				:ifnum (0)
				:iffullname (Ethernet0)
				:ipaddr 192.168.20.254
				:netmask (255.255.255.0)
				:netaccess ("This Net"
					:access (this)
				)
			)
			:if-1 (serial0
				:ifname (serial)
				:ifnum (0)
				:iffullname (Serial0)
				:ipaddr (198.51.100.3)
				:netmask (255.255.255.0)
				:netaccess (Others
					:access default
				)
			)
		)
		: (wf-lab
			:type (router)
			:ipaddr (10.1.0.1)
			:location (internal)
			:vendor (wellfleet)
			:vendor_info (
				:slot_num (2)
				:config_file (config)
				:security (none)
			)
			:show_in_menus (true)
			:read_community (public)
			:write_community public
			:comments ("Wellfleet router of the lab")
		)
		: (servers
			:type (group)
			:comments ("the site's servers")
			: mail
			: ns
			: www
		)
		: (inside-nets
			:type (group)
			:comments ("the internal networks")
			: net-inside
			: net-dmz
			: net-lab
		)
		: (site
			:type (group)
			:comments ("everything inside the site")
			: servers
			: inside-nets
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
		: (http
			:type (tcp)
			:port (80)
		)
		: (x11
			:type (tcp)
			:port (6000-6063)
			:comments ("X displays 0 to 63")
		)
		: (domain-udp
			:type (udp)
			:port (53)
			:reply (true)
			:timeout (40)
		)
		: (snmp
			:type (udp)
			:port (161)
			:reply (false)
		)
		: (ypserv
			:type (rpc)
			:prognum (100004)
			:broadcast (false)
			:timeout (40)
		)
		: (mountd
			:type (rpc)
			:prognum (100005)
			:broadcast (false)
		)
		: (echo-request
			:type (icmp)
			:exp ("icmp_type = 8")
		)
		: (echo-reply
			:type (icmp)
			:exp ("icmp_type = 0")
		)
		: (ip-gre
			:type (other)
			:exp ("ip_p = 47")
			:comments ("GRE tunnels")
		)
		: (auth-services
			:type (group)
			:comments ("services that may pass after user authentication")
			: telnet
			: ftp
		)
	)
	:servgen ()
	:props (
		: (firewall_properties
			:gatewaydir (inbound)
			:kx1enable (true)
			:kx1enable_p (first)
			:udpreply true
			:udpreply_p first
			:udptimeout (40)
			:established true
			:established_p first
			:ftpdata true
			:ftpdata_p first
			:rip true
			:rip_p first
			:domain_udp true
			:domain_udp_p first
			:domain_tcp (false)
			:domain_tcp_p first
			:loopudp true
			:loopudp_p first
			:looptcp false
			:looptcp_p first
			:rpcenable true
			:rpcenable_p first
			:icmpenable true
			:icmpenable_p ("before last")
			:outgoing true
			:outgoing_p (last)
			:loggrace (62)
			:mailcmd ("Mail -s 'Brenmark Alert'  root")
			:alertcmd ("alert -display localhost:0")
			:snmptrapcmd ("snmp_trap localhost")
			:useralertcmd (alert)
			:spoofalertcmd alert
			:userauthalertcmd alert
			:ipoptslog (Long)
			:resolver_1 ("sys (current system settings)")
			:resolver_2 (none)
			:resolver_3 none
			:resolver_4 none
			:timeout (10)
			:retries (2)
			:pagetimeout (60)
			:established_router true
			:established_router_p first
			:rip_router false
			:rip_router_p first
			:domain_udp_router true
			:domain_udp_router_p first
			:domain_tcp_router false
			:domain_tcp_router_p first
			:icmpenable_router true
			:icmpenable_router_p last
			:au_timeout (15)
			:maxprocess (50)
			:default_track Long
		)
	)
	:translations ()
	:log-props ()
)
