(import
	:hosts (/etc/hosts)
	:networks (/etc/networks)
	:netgroup (/etc/netgroup)
	:host (
		:location (internal)
		:color (Black)
	)
	:network (
		:location (internal)
		:broadcast (allow)
	)
)
