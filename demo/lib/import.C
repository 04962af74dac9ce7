(import
	:hosts (lib/import/hosts)
	:networks (lib/import/networks)
	:netgroup (lib/import/netgroup)
	:host (
		:location (internal)
		:color (Black)
	)
	:network (
		:location (internal)
		:broadcast (allow)
	)
)
