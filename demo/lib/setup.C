(setup
	:actobj (
		: (accept
			:action (accept)
			:comments ("let the packet through")
		)
		: (drop
			:action (drop)
			:comments ("discard the packet silently")
		)
		: (reject
			:action (reject)
			:comments ("discard the packet and tell the sender")
		)
		: ("User Auth"
			:action (accept)
			:accept_track (Long)
			:reject_track (Alert)
			:comments ("let authenticated users through")
		)
	)
	:trackobj (
		: (Short
			:macro (LOG)
			:format (short)
		)
		: (Long
			:macro (LOG)
			:format (long)
		)
		: (Account
			:macro (LOG)
			:format (account)
		)
		: (Alert
			:macro (LOG)
			:format (long)
			:alert (alert)
		)
		: (Mail
			:macro (LOG)
			:format (long)
			:alert (mail)
		)
		: (SnmpTrap
			:macro (LOG)
			:format (long)
			:alert (snmptrap)
		)
		: (UserDefined
			:macro (LOG)
			:format (long)
			:alert (useralert)
		)
	)
	:targobj (
		: (Src
			:type (Src)
			:comments ("the firewalled objects among the sources")
		)
		: (Dst
			:type (Dst)
			:comments ("the firewalled objects among the destinations")
		)
		: (Gateways
			:type (Gateways)
			:comments ("every gateway")
		)
		: (Routers
			:type (Routers)
			:comments ("every router")
		)
	)
	:kxobj (
		: (Any
			:type (any)
			:comments ("every address and every service")
		)
	)
	:ifmenu (
		: (Open
			:access (open)
			:comments ("every address is valid")
		)
		: ("This Net"
			:access (this)
			:comments ("only the interface's own network")
		)
		: (Others
			:access (default)
			:comments ("every address but those behind the other interfaces")
		)
	)
	:iflogmenu (
		: ("No Log"
			:comments ("spoofed packets are dropped silently")
		)
		: ("Spoof Log"
			:macro (LOG)
			:format (long)
		)
		: ("Spoof Alert"
			:macro (LOG)
			:format (long)
			:alert (spoofalert)
		)
	)
	:title (title
		:title ("Brenmark Firewall")
		:vendor (Brenmark)
		:line1 ("Management Station")
		:line2 ("Demonstration installation")
		:email ("support@example.com")
		:phone ("+1 555 0100")
	)
	:routersmenu (
		: (Install
			:notify (cisco_download_)
			:comments ("install the access lists on the routers")
		)
		: (Uninstall
			:notify (cisco_uninstall)
			:comments ("remove the access lists from the routers")
		)
	)
)
