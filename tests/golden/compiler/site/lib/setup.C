(setup
	:actobj (
		: (accept
			:action (accept)
		)
		: (drop
			:action (drop)
		)
		: (Reject)
		: (Empty
			:action ()
		)
		: (Counted
			:action (accept)
			:macro (COUNT)
			:trap (Notify)
		)
		: ("User Auth"
			:action (accept)
			:accept_track (AlertTrack)
			:reject_track (MailTrack)
		)
		: (Party
			:action (accept)
			:party (true)
		)
	)
	:trackobj (
		: (short)
		: (long
			:macro (LOG)
		)
		: (MailTrack
			:format (long)
			:alert (mail)
		)
		: (MailTrack2
			:format (long)
			:alert (Mail)
		)
		: (AlertTrack
			:format (long)
			:alert ("Red Alert")
		)
		: (Quiet
			:macro (COUNT)
			:format ("Short Form")
			:alert ()
		)
		: (Spoof
			:format (long)
			:alert (spoofalert)
		)
	)
	:targobj (
		: (Src
			:type (Src)
		)
		: (Dst
			:type (Dst)
		)
		: (Gateways
			:type (Gateways)
		)
		: (Routers
			:type (Routers)
		)
	)
	:kxobj (
		: (Any
			:type (any)
		)
	)
)
