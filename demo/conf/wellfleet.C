# Router filter configuration for routers of the vendor "wellfleet".
#
# fields     the fields a filter rule can restrict; "length" is the width in
#            bits used when a field is complemented; the "proto" field holds
#            the protocol number ("code") of each service list
# wservices  the filter of each service of type "other", by its "exp" value
#            or its name: fields with their accepted ranges (attributes, not
#            members, so that they never hide the services of that name)
# wany       the field that matches every packet, for rules without fields
# wprops     the implied rules of the router properties: "prop" names the
#            property that switches the rule on, "location" the property
#            that says where it goes (first, before last, last)
(wellfleet
	:fields (
		: (ip_src
			:type (field)
			:length (32)
		)
		: (ip_dst
			:type (field)
			:length (32)
		)
		: (proto
			:type (field)
			:length (8)
			:tcp (
				:code (6)
			)
			:udp (
				:code (17)
			)
			:icmp (
				:code (1)
			)
			:rpc (
				:code (17)
			)
		)
		: (sport
			:type (field)
			:length (16)
		)
		: (dport
			:type (field)
			:length (16)
		)
	)
	:wservices (
		:ospf (
			:field (
				:name (proto)
				:ranges (
					: (
						:low (89)
						:high (89)
					)
				)
			)
		)
		:gre (
			:field (
				:name (proto)
				:ranges (
					: (
						:low (47)
						:high (47)
					)
				)
			)
		)
	)
	:wany (
		:name (ip_src)
		:ranges (
			: (
				:low (0)
				:high (4294967295)
			)
		)
	)
	:wprops (
		: (rip_router
			:prop (rip_router)
			:location (rip_router_p)
			:rule (
				:action (
					: accept
				)
				:field (
					:name (proto)
					:ranges (
						: (
							:low (17)
							:high (17)
						)
					)
				)
				:field (
					:name (dport)
					:ranges (
						: (
							:low (520)
							:high (520)
						)
					)
				)
			)
		)
		: (icmpenable_router
			:prop (icmpenable_router)
			:location (icmpenable_router_p)
			:rule (
				:action (
					: accept
				)
				:field (
					:name (proto)
					:ranges (
						: (
							:low (1)
							:high (1)
						)
					)
				)
			)
		)
		: (domain_udp_router
			:prop (domain_udp_router)
			:location (domain_udp_router_p)
			:rule (
				:action (
					: accept
				)
				:field (
					:name (proto)
					:ranges (
						: (
							:low (17)
							:high (17)
						)
					)
				)
				:field (
					:name (dport)
					:ranges (
						: (
							:low (53)
							:high (53)
						)
					)
				)
			)
		)
		: (domain_tcp_router
			:prop (domain_tcp_router)
			:location (domain_tcp_router_p)
			:rule (
				:action (
					: accept
				)
				:field (
					:name (proto)
					:ranges (
						: (
							:low (6)
							:high (6)
						)
					)
				)
				:field (
					:name (dport)
					:ranges (
						: (
							:low (53)
							:high (53)
						)
					)
				)
			)
		)
	)
)
