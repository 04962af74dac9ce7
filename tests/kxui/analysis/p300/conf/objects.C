(objects
	:netobj (
		: (rtr
			:type (router)
			:vendor (cisco)
			:alnum (101)
			:version (10.x)
			:rules_dir (eitherbound)
			:spoof_dir (inbound)
			:location (internal)
			:ipaddr (10.0.0.1)
			:if-0 (0.0
				:ifname (ethernet)
				:ifnum (0)
				:ipaddr (10.0.0.1)
				:netmask (255.0.0.0)
				:netaccess (x
					:access (this)
				)
			)
			:if-1 (1.0
				:ifname (ethernet)
				:ifnum (1)
				:ipaddr (192.0.2.1)
				:netmask (255.255.255.0)
				:netaccess (x
					:access (default)
				)
			)
		)
		: (gw
			:type (gateway)
			:ipaddr (10.0.0.2)
			:location (internal)
			:firewall (installed)
			:if-0 (le0
				:ifname (le)
				:ifnum (0)
				:ipaddr (10.0.0.2)
				:netmask (255.0.0.0)
				:netaccess (x
					:access (open)
				)
			)
			:if-1 (le1
				:ifname (le)
				:ifnum (1)
				:ipaddr (192.0.2.2)
				:netmask (255.255.255.0)
				:netaccess (x
					:access (open)
				)
			)
		)
		: (n00001
			:type (network)
			:ipaddr (10.1.0.0)
			:netmask (255.255.255.0)
			:location (internal)
		)
		: (n00002
			:type (network)
			:ipaddr (10.1.1.0)
			:netmask (255.255.255.192)
			:location (internal)
		)
		: (n00003
			:type (network)
			:ipaddr (10.1.2.0)
			:netmask (255.255.255.240)
			:location (internal)
		)
		: (n00004
			:type (network)
			:ipaddr (10.1.3.0)
			:netmask (255.255.255.240)
			:location (internal)
		)
		: (n00005
			:type (network)
			:ipaddr (10.1.4.0)
			:netmask (255.255.255.240)
			:location (internal)
		)
		: (n00006
			:type (network)
			:ipaddr (10.1.5.0)
			:netmask (255.255.255.0)
			:location (internal)
		)
		: (n00007
			:type (network)
			:ipaddr (10.1.6.0)
			:netmask (255.255.255.0)
			:location (internal)
		)
		: (n00008
			:type (network)
			:ipaddr (10.1.7.0)
			:netmask (255.255.255.0)
			:location (internal)
		)
		: (n00009
			:type (network)
			:ipaddr (10.1.8.0)
			:netmask (255.255.255.128)
			:location (internal)
		)
		: (n00010
			:type (network)
			:ipaddr (10.1.9.0)
			:netmask (255.255.255.240)
			:location (internal)
		)
		: (n00011
			:type (network)
			:ipaddr (10.1.10.0)
			:netmask (255.255.255.128)
			:location (internal)
		)
		: (n00012
			:type (network)
			:ipaddr (10.1.11.0)
			:netmask (255.255.255.128)
			:location (internal)
		)
		: (n00013
			:type (network)
			:ipaddr (10.1.12.0)
			:netmask (255.255.255.224)
			:location (internal)
		)
		: (n00014
			:type (network)
			:ipaddr (10.1.13.0)
			:netmask (255.255.255.128)
			:location (internal)
		)
		: (n00015
			:type (network)
			:ipaddr (10.1.14.0)
			:netmask (255.255.255.240)
			:location (internal)
		)
		: (n00016
			:type (network)
			:ipaddr (10.1.15.0)
			:netmask (255.255.255.0)
			:location (internal)
		)
		: (n00017
			:type (network)
			:ipaddr (10.1.16.0)
			:netmask (255.255.255.0)
			:location (internal)
		)
		: (n00018
			:type (network)
			:ipaddr (10.1.17.0)
			:netmask (255.255.255.128)
			:location (internal)
		)
		: (n00019
			:type (network)
			:ipaddr (10.1.18.0)
			:netmask (255.255.255.0)
			:location (internal)
		)
		: (n00020
			:type (network)
			:ipaddr (10.1.19.0)
			:netmask (255.255.255.240)
			:location (internal)
		)
		: (n00021
			:type (network)
			:ipaddr (10.1.20.0)
			:netmask (255.255.255.128)
			:location (internal)
		)
		: (n00022
			:type (network)
			:ipaddr (10.1.21.0)
			:netmask (255.255.255.128)
			:location (internal)
		)
		: (n00023
			:type (network)
			:ipaddr (10.1.22.0)
			:netmask (255.255.255.192)
			:location (internal)
		)
		: (n00024
			:type (network)
			:ipaddr (10.1.23.0)
			:netmask (255.255.255.240)
			:location (internal)
		)
		: (n00025
			:type (network)
			:ipaddr (10.1.24.0)
			:netmask (255.255.255.240)
			:location (internal)
		)
		: (n00026
			:type (network)
			:ipaddr (10.1.25.0)
			:netmask (255.255.255.0)
			:location (internal)
		)
		: (n00027
			:type (network)
			:ipaddr (10.1.26.0)
			:netmask (255.255.255.224)
			:location (internal)
		)
		: (n00028
			:type (network)
			:ipaddr (10.1.27.0)
			:netmask (255.255.255.128)
			:location (internal)
		)
		: (n00029
			:type (network)
			:ipaddr (10.1.28.0)
			:netmask (255.255.255.0)
			:location (internal)
		)
		: (n00030
			:type (network)
			:ipaddr (10.1.29.0)
			:netmask (255.255.255.224)
			:location (internal)
		)
		: (h000001
			:type (host)
			:ipaddr (10.1.25.59)
			:location (internal)
		)
		: (h000002
			:type (host)
			:ipaddr (10.1.18.242)
			:location (internal)
		)
		: (h000003
			:type (host)
			:ipaddr (10.1.3.6)
			:location (internal)
		)
		: (h000004
			:type (host)
			:ipaddr (10.1.0.6)
			:location (internal)
		)
		: (h000005
			:type (host)
			:ipaddr (10.1.0.167)
			:location (internal)
		)
		: (h000006
			:type (host)
			:ipaddr (10.1.17.2)
			:location (internal)
		)
		: (h000007
			:type (host)
			:ipaddr (10.1.28.98)
			:location (internal)
		)
		: (h000008
			:type (host)
			:ipaddr (10.1.21.28)
			:location (internal)
		)
		: (h000009
			:type (host)
			:ipaddr (10.1.13.93)
			:location (internal)
		)
		: (h000010
			:type (host)
			:ipaddr (10.1.0.136)
			:location (internal)
		)
		: (h000011
			:type (host)
			:ipaddr (10.1.7.196)
			:location (internal)
		)
		: (h000012
			:type (host)
			:ipaddr (10.1.14.8)
			:location (internal)
		)
		: (h000013
			:type (host)
			:ipaddr (10.1.17.30)
			:location (internal)
		)
		: (h000014
			:type (host)
			:ipaddr (10.1.11.30)
			:location (internal)
		)
		: (h000015
			:type (host)
			:ipaddr (10.1.21.29)
			:location (internal)
		)
		: (h000016
			:type (host)
			:ipaddr (10.1.24.8)
			:location (internal)
		)
		: (h000017
			:type (host)
			:ipaddr (10.1.9.1)
			:location (internal)
		)
		: (h000018
			:type (host)
			:ipaddr (10.1.13.108)
			:location (internal)
		)
		: (h000019
			:type (host)
			:ipaddr (10.1.29.18)
			:location (internal)
		)
		: (h000020
			:type (host)
			:ipaddr (10.1.29.21)
			:location (internal)
		)
		: (h000021
			:type (host)
			:ipaddr (10.1.3.3)
			:location (internal)
		)
		: (h000022
			:type (host)
			:ipaddr (10.1.20.93)
			:location (internal)
		)
		: (h000023
			:type (host)
			:ipaddr (10.1.27.38)
			:location (internal)
		)
		: (h000024
			:type (host)
			:ipaddr (10.1.3.12)
			:location (internal)
		)
		: (h000025
			:type (host)
			:ipaddr (10.1.10.115)
			:location (internal)
		)
		: (h000026
			:type (host)
			:ipaddr (10.1.23.12)
			:location (internal)
		)
		: (h000027
			:type (host)
			:ipaddr (10.1.16.240)
			:location (internal)
		)
		: (h000028
			:type (host)
			:ipaddr (10.1.13.65)
			:location (internal)
		)
		: (h000029
			:type (host)
			:ipaddr (10.1.26.30)
			:location (internal)
		)
		: (h000030
			:type (host)
			:ipaddr (10.1.21.25)
			:location (internal)
		)
		: (h000031
			:type (host)
			:ipaddr (10.1.9.5)
			:location (internal)
		)
		: (h000032
			:type (host)
			:ipaddr (10.1.18.250)
			:location (internal)
		)
		: (h000033
			:type (host)
			:ipaddr (10.1.28.128)
			:location (internal)
		)
		: (h000034
			:type (host)
			:ipaddr (10.1.27.121)
			:location (internal)
		)
		: (h000035
			:type (host)
			:ipaddr (10.1.16.101)
			:location (internal)
		)
		: (h000036
			:type (host)
			:ipaddr (10.1.18.219)
			:location (internal)
		)
		: (h000037
			:type (host)
			:ipaddr (10.1.1.31)
			:location (internal)
		)
		: (h000038
			:type (host)
			:ipaddr (10.1.7.191)
			:location (internal)
		)
		: (h000039
			:type (host)
			:ipaddr (10.1.25.104)
			:location (internal)
		)
		: (h000040
			:type (host)
			:ipaddr (10.1.13.86)
			:location (internal)
		)
		: (h000041
			:type (host)
			:ipaddr (10.1.5.94)
			:location (internal)
		)
		: (h000042
			:type (host)
			:ipaddr (10.1.17.113)
			:location (internal)
		)
		: (h000043
			:type (host)
			:ipaddr (10.1.22.50)
			:location (internal)
		)
		: (h000044
			:type (host)
			:ipaddr (10.1.21.95)
			:location (internal)
		)
		: (h000045
			:type (host)
			:ipaddr (10.1.11.12)
			:location (internal)
		)
		: (h000046
			:type (host)
			:ipaddr (10.1.14.11)
			:location (internal)
		)
		: (h000047
			:type (host)
			:ipaddr (10.1.16.28)
			:location (internal)
		)
		: (h000048
			:type (host)
			:ipaddr (10.1.24.3)
			:location (internal)
		)
		: (h000049
			:type (host)
			:ipaddr (10.1.16.216)
			:location (internal)
		)
		: (h000050
			:type (host)
			:ipaddr (10.1.12.12)
			:location (internal)
		)
		: (h000051
			:type (host)
			:ipaddr (10.1.15.188)
			:location (internal)
		)
		: (h000052
			:type (host)
			:ipaddr (10.1.0.121)
			:location (internal)
		)
		: (h000053
			:type (host)
			:ipaddr (10.1.1.20)
			:location (internal)
		)
		: (h000054
			:type (host)
			:ipaddr (10.1.22.55)
			:location (internal)
		)
		: (h000055
			:type (host)
			:ipaddr (10.1.19.10)
			:location (internal)
		)
		: (h000056
			:type (host)
			:ipaddr (10.1.18.101)
			:location (internal)
		)
		: (h000057
			:type (host)
			:ipaddr (10.1.20.22)
			:location (internal)
		)
		: (h000058
			:type (host)
			:ipaddr (10.1.5.129)
			:location (internal)
		)
		: (h000059
			:type (host)
			:ipaddr (10.1.7.252)
			:location (internal)
		)
		: (h000060
			:type (host)
			:ipaddr (10.1.0.198)
			:location (internal)
		)
		: (h000061
			:type (host)
			:ipaddr (10.1.6.139)
			:location (internal)
		)
		: (h000062
			:type (host)
			:ipaddr (10.1.29.28)
			:location (internal)
		)
		: (h000063
			:type (host)
			:ipaddr (10.1.12.17)
			:location (internal)
		)
		: (h000064
			:type (host)
			:ipaddr (10.1.11.122)
			:location (internal)
		)
		: (h000065
			:type (host)
			:ipaddr (10.1.27.74)
			:location (internal)
		)
		: (h000066
			:type (host)
			:ipaddr (10.1.11.59)
			:location (internal)
		)
		: (h000067
			:type (host)
			:ipaddr (10.1.29.9)
			:location (internal)
		)
		: (h000068
			:type (host)
			:ipaddr (10.1.21.71)
			:location (internal)
		)
		: (h000069
			:type (host)
			:ipaddr (10.1.19.12)
			:location (internal)
		)
		: (h000070
			:type (host)
			:ipaddr (10.1.0.99)
			:location (internal)
		)
		: (h000071
			:type (host)
			:ipaddr (10.1.25.220)
			:location (internal)
		)
		: (h000072
			:type (host)
			:ipaddr (10.1.26.29)
			:location (internal)
		)
		: (h000073
			:type (host)
			:ipaddr (10.1.23.9)
			:location (internal)
		)
		: (h000074
			:type (host)
			:ipaddr (10.1.25.34)
			:location (internal)
		)
		: (h000075
			:type (host)
			:ipaddr (10.1.16.200)
			:location (internal)
		)
		: (h000076
			:type (host)
			:ipaddr (10.1.17.27)
			:location (internal)
		)
		: (h000077
			:type (host)
			:ipaddr (10.1.13.122)
			:location (internal)
		)
		: (h000078
			:type (host)
			:ipaddr (10.1.27.47)
			:location (internal)
		)
		: (h000079
			:type (host)
			:ipaddr (10.1.18.142)
			:location (internal)
		)
		: (h000080
			:type (host)
			:ipaddr (10.1.6.241)
			:location (internal)
		)
		: (h000081
			:type (host)
			:ipaddr (10.1.16.106)
			:location (internal)
		)
		: (h000082
			:type (host)
			:ipaddr (10.1.15.209)
			:location (internal)
		)
		: (h000083
			:type (host)
			:ipaddr (10.1.11.54)
			:location (internal)
		)
		: (h000084
			:type (host)
			:ipaddr (10.1.11.1)
			:location (internal)
		)
		: (h000085
			:type (host)
			:ipaddr (10.1.17.70)
			:location (internal)
		)
		: (h000086
			:type (host)
			:ipaddr (10.1.19.13)
			:location (internal)
		)
		: (h000087
			:type (host)
			:ipaddr (10.1.19.6)
			:location (internal)
		)
		: (h000088
			:type (host)
			:ipaddr (10.1.14.10)
			:location (internal)
		)
		: (h000089
			:type (host)
			:ipaddr (10.1.0.206)
			:location (internal)
		)
		: (h000090
			:type (host)
			:ipaddr (10.1.7.163)
			:location (internal)
		)
		: (h000091
			:type (host)
			:ipaddr (10.1.5.141)
			:location (internal)
		)
		: (h000092
			:type (host)
			:ipaddr (10.1.18.47)
			:location (internal)
		)
		: (h000093
			:type (host)
			:ipaddr (10.1.27.12)
			:location (internal)
		)
		: (h000094
			:type (host)
			:ipaddr (10.1.25.142)
			:location (internal)
		)
		: (h000095
			:type (host)
			:ipaddr (10.1.25.218)
			:location (internal)
		)
		: (h000096
			:type (host)
			:ipaddr (10.1.8.5)
			:location (internal)
		)
		: (h000097
			:type (host)
			:ipaddr (10.1.26.22)
			:location (internal)
		)
		: (h000098
			:type (host)
			:ipaddr (10.1.2.2)
			:location (internal)
		)
		: (h000099
			:type (host)
			:ipaddr (10.1.27.3)
			:location (internal)
		)
		: (h000100
			:type (host)
			:ipaddr (10.1.14.1)
			:location (internal)
		)
		: (h000101
			:type (host)
			:ipaddr (10.1.24.13)
			:location (internal)
		)
		: (h000102
			:type (host)
			:ipaddr (10.1.8.32)
			:location (internal)
		)
		: (h000103
			:type (host)
			:ipaddr (10.1.8.15)
			:location (internal)
		)
		: (h000104
			:type (host)
			:ipaddr (10.1.25.160)
			:location (internal)
		)
		: (h000105
			:type (host)
			:ipaddr (10.1.5.89)
			:location (internal)
		)
		: (h000106
			:type (host)
			:ipaddr (10.1.9.2)
			:location (internal)
		)
		: (h000107
			:type (host)
			:ipaddr (10.1.5.41)
			:location (internal)
		)
		: (h000108
			:type (host)
			:ipaddr (10.1.8.68)
			:location (internal)
		)
		: (h000109
			:type (host)
			:ipaddr (10.1.5.169)
			:location (internal)
		)
		: (h000110
			:type (host)
			:ipaddr (10.1.8.83)
			:location (internal)
		)
		: (h000111
			:type (host)
			:ipaddr (10.1.22.19)
			:location (internal)
		)
		: (h000112
			:type (host)
			:ipaddr (10.1.14.12)
			:location (internal)
		)
		: (h000113
			:type (host)
			:ipaddr (10.1.10.64)
			:location (internal)
		)
		: (h000114
			:type (host)
			:ipaddr (10.1.15.30)
			:location (internal)
		)
		: (h000115
			:type (host)
			:ipaddr (10.1.0.80)
			:location (internal)
		)
		: (h000116
			:type (host)
			:ipaddr (10.1.12.11)
			:location (internal)
		)
		: (h000117
			:type (host)
			:ipaddr (10.1.13.102)
			:location (internal)
		)
		: (h000118
			:type (host)
			:ipaddr (10.1.6.67)
			:location (internal)
		)
		: (h000119
			:type (host)
			:ipaddr (10.1.3.5)
			:location (internal)
		)
		: (h000120
			:type (host)
			:ipaddr (10.1.28.187)
			:location (internal)
		)
		: (h000121
			:type (host)
			:ipaddr (10.1.16.251)
			:location (internal)
		)
		: (h000122
			:type (host)
			:ipaddr (10.1.6.248)
			:location (internal)
		)
		: (h000123
			:type (host)
			:ipaddr (10.1.19.7)
			:location (internal)
		)
		: (h000124
			:type (host)
			:ipaddr (10.1.26.1)
			:location (internal)
		)
		: (h000125
			:type (host)
			:ipaddr (10.1.7.5)
			:location (internal)
		)
		: (h000126
			:type (host)
			:ipaddr (10.1.12.5)
			:location (internal)
		)
		: (h000127
			:type (host)
			:ipaddr (10.1.1.47)
			:location (internal)
		)
		: (h000128
			:type (host)
			:ipaddr (10.1.5.115)
			:location (internal)
		)
		: (h000129
			:type (host)
			:ipaddr (10.1.22.33)
			:location (internal)
		)
		: (h000130
			:type (host)
			:ipaddr (10.1.21.55)
			:location (internal)
		)
		: (h000131
			:type (host)
			:ipaddr (10.1.17.107)
			:location (internal)
		)
		: (h000132
			:type (host)
			:ipaddr (10.1.7.251)
			:location (internal)
		)
		: (h000133
			:type (host)
			:ipaddr (10.1.20.103)
			:location (internal)
		)
		: (h000134
			:type (host)
			:ipaddr (10.1.22.34)
			:location (internal)
		)
		: (h000135
			:type (host)
			:ipaddr (10.1.14.4)
			:location (internal)
		)
		: (h000136
			:type (host)
			:ipaddr (10.1.16.167)
			:location (internal)
		)
		: (h000137
			:type (host)
			:ipaddr (10.1.0.102)
			:location (internal)
		)
		: (h000138
			:type (host)
			:ipaddr (10.1.21.74)
			:location (internal)
		)
		: (h000139
			:type (host)
			:ipaddr (10.1.25.83)
			:location (internal)
		)
		: (h000140
			:type (host)
			:ipaddr (10.1.21.81)
			:location (internal)
		)
		: (h000141
			:type (host)
			:ipaddr (10.1.13.8)
			:location (internal)
		)
		: (h000142
			:type (host)
			:ipaddr (10.1.23.5)
			:location (internal)
		)
		: (h000143
			:type (host)
			:ipaddr (10.1.4.4)
			:location (internal)
		)
		: (h000144
			:type (host)
			:ipaddr (10.1.28.13)
			:location (internal)
		)
		: (h000145
			:type (host)
			:ipaddr (10.1.27.10)
			:location (internal)
		)
		: (h000146
			:type (host)
			:ipaddr (10.1.23.3)
			:location (internal)
		)
		: (h000147
			:type (host)
			:ipaddr (10.1.13.73)
			:location (internal)
		)
		: (h000148
			:type (host)
			:ipaddr (10.1.8.17)
			:location (internal)
		)
		: (h000149
			:type (host)
			:ipaddr (10.1.0.144)
			:location (internal)
		)
		: (h000150
			:type (host)
			:ipaddr (10.1.28.218)
			:location (internal)
		)
		: (h000151
			:type (host)
			:ipaddr (198.18.19.144)
			:location (external)
		)
		: (h000152
			:type (host)
			:ipaddr (198.19.48.194)
			:location (external)
		)
		: (h000153
			:type (host)
			:ipaddr (198.19.166.215)
			:location (external)
		)
		: (h000154
			:type (host)
			:ipaddr (198.18.112.73)
			:location (external)
		)
		: (h000155
			:type (host)
			:ipaddr (198.19.240.134)
			:location (external)
		)
		: (h000156
			:type (host)
			:ipaddr (198.19.208.216)
			:location (external)
		)
		: (h000157
			:type (host)
			:ipaddr (198.19.38.72)
			:location (external)
		)
		: (h000158
			:type (host)
			:ipaddr (198.18.237.207)
			:location (external)
		)
		: (h000159
			:type (host)
			:ipaddr (198.18.88.130)
			:location (external)
		)
		: (h000160
			:type (host)
			:ipaddr (198.19.171.59)
			:location (external)
		)
		: (h000161
			:type (host)
			:ipaddr (198.19.191.204)
			:location (external)
		)
		: (h000162
			:type (host)
			:ipaddr (198.19.192.226)
			:location (external)
		)
		: (h000163
			:type (host)
			:ipaddr (198.19.246.127)
			:location (external)
		)
		: (h000164
			:type (host)
			:ipaddr (198.19.146.131)
			:location (external)
		)
		: (h000165
			:type (host)
			:ipaddr (198.19.107.76)
			:location (external)
		)
		: (h000166
			:type (host)
			:ipaddr (198.19.65.119)
			:location (external)
		)
		: (h000167
			:type (host)
			:ipaddr (198.19.6.152)
			:location (external)
		)
		: (h000168
			:type (host)
			:ipaddr (198.18.19.80)
			:location (external)
		)
		: (h000169
			:type (host)
			:ipaddr (198.18.195.12)
			:location (external)
		)
		: (h000170
			:type (host)
			:ipaddr (198.18.103.106)
			:location (external)
		)
		: (h000171
			:type (host)
			:ipaddr (198.18.179.7)
			:location (external)
		)
		: (h000172
			:type (host)
			:ipaddr (198.18.51.26)
			:location (external)
		)
		: (h000173
			:type (host)
			:ipaddr (198.18.106.46)
			:location (external)
		)
		: (h000174
			:type (host)
			:ipaddr (198.19.39.225)
			:location (external)
		)
		: (h000175
			:type (host)
			:ipaddr (198.19.91.225)
			:location (external)
		)
		: (h000176
			:type (host)
			:ipaddr (198.19.206.167)
			:location (external)
		)
		: (h000177
			:type (host)
			:ipaddr (198.18.223.106)
			:location (external)
		)
		: (h000178
			:type (host)
			:ipaddr (198.19.49.48)
			:location (external)
		)
		: (h000179
			:type (host)
			:ipaddr (198.18.100.44)
			:location (external)
		)
		: (h000180
			:type (host)
			:ipaddr (198.18.254.18)
			:location (external)
		)
		: (h000181
			:type (host)
			:ipaddr (198.18.53.226)
			:location (external)
		)
		: (h000182
			:type (host)
			:ipaddr (198.19.228.4)
			:location (external)
		)
		: (h000183
			:type (host)
			:ipaddr (198.19.87.167)
			:location (external)
		)
		: (h000184
			:type (host)
			:ipaddr (198.18.201.73)
			:location (external)
		)
		: (h000185
			:type (host)
			:ipaddr (198.18.152.199)
			:location (external)
		)
		: (h000186
			:type (host)
			:ipaddr (198.19.4.35)
			:location (external)
		)
		: (h000187
			:type (host)
			:ipaddr (198.19.1.232)
			:location (external)
		)
		: (h000188
			:type (host)
			:ipaddr (198.18.8.223)
			:location (external)
		)
		: (h000189
			:type (host)
			:ipaddr (198.18.167.226)
			:location (external)
		)
		: (h000190
			:type (host)
			:ipaddr (198.19.59.223)
			:location (external)
		)
		: (h000191
			:type (host)
			:ipaddr (198.19.193.200)
			:location (external)
		)
		: (h000192
			:type (host)
			:ipaddr (198.18.207.156)
			:location (external)
		)
		: (h000193
			:type (host)
			:ipaddr (198.19.208.67)
			:location (external)
		)
		: (h000194
			:type (host)
			:ipaddr (198.18.145.48)
			:location (external)
		)
		: (h000195
			:type (host)
			:ipaddr (198.18.9.86)
			:location (external)
		)
		: (h000196
			:type (host)
			:ipaddr (198.18.80.254)
			:location (external)
		)
		: (h000197
			:type (host)
			:ipaddr (198.18.103.165)
			:location (external)
		)
		: (h000198
			:type (host)
			:ipaddr (198.19.186.132)
			:location (external)
		)
		: (h000199
			:type (host)
			:ipaddr (198.18.169.32)
			:location (external)
		)
		: (h000200
			:type (host)
			:ipaddr (198.19.162.146)
			:location (external)
		)
		: (h000201
			:type (host)
			:ipaddr (198.19.253.89)
			:location (external)
		)
		: (h000202
			:type (host)
			:ipaddr (198.19.34.179)
			:location (external)
		)
		: (h000203
			:type (host)
			:ipaddr (198.19.147.229)
			:location (external)
		)
		: (h000204
			:type (host)
			:ipaddr (198.18.69.188)
			:location (external)
		)
		: (h000205
			:type (host)
			:ipaddr (198.18.174.250)
			:location (external)
		)
		: (h000206
			:type (host)
			:ipaddr (198.18.221.128)
			:location (external)
		)
		: (h000207
			:type (host)
			:ipaddr (198.18.109.237)
			:location (external)
		)
		: (h000208
			:type (host)
			:ipaddr (198.18.137.138)
			:location (external)
		)
		: (h000209
			:type (host)
			:ipaddr (198.19.92.11)
			:location (external)
		)
		: (h000210
			:type (host)
			:ipaddr (198.18.49.191)
			:location (external)
		)
		: (h000211
			:type (host)
			:ipaddr (198.19.176.72)
			:location (external)
		)
		: (h000212
			:type (host)
			:ipaddr (198.18.195.177)
			:location (external)
		)
		: (h000213
			:type (host)
			:ipaddr (198.19.225.10)
			:location (external)
		)
		: (h000214
			:type (host)
			:ipaddr (198.19.26.151)
			:location (external)
		)
		: (h000215
			:type (host)
			:ipaddr (198.18.177.112)
			:location (external)
		)
		: (h000216
			:type (host)
			:ipaddr (198.19.215.225)
			:location (external)
		)
		: (h000217
			:type (host)
			:ipaddr (198.19.199.88)
			:location (external)
		)
		: (h000218
			:type (host)
			:ipaddr (198.19.176.71)
			:location (external)
		)
		: (h000219
			:type (host)
			:ipaddr (198.19.98.145)
			:location (external)
		)
		: (h000220
			:type (host)
			:ipaddr (198.19.19.186)
			:location (external)
		)
		: (h000221
			:type (host)
			:ipaddr (198.18.250.5)
			:location (external)
		)
		: (h000222
			:type (host)
			:ipaddr (198.19.140.73)
			:location (external)
		)
		: (h000223
			:type (host)
			:ipaddr (198.19.252.141)
			:location (external)
		)
		: (h000224
			:type (host)
			:ipaddr (198.19.18.203)
			:location (external)
		)
		: (h000225
			:type (host)
			:ipaddr (198.18.121.21)
			:location (external)
		)
		: (h000226
			:type (host)
			:ipaddr (198.18.33.180)
			:location (external)
		)
		: (h000227
			:type (host)
			:ipaddr (198.19.118.93)
			:location (external)
		)
		: (h000228
			:type (host)
			:ipaddr (198.18.20.216)
			:location (external)
		)
		: (h000229
			:type (host)
			:ipaddr (198.18.43.178)
			:location (external)
		)
		: (h000230
			:type (host)
			:ipaddr (198.18.68.163)
			:location (external)
		)
		: (h000231
			:type (host)
			:ipaddr (198.18.87.145)
			:location (external)
		)
		: (h000232
			:type (host)
			:ipaddr (198.18.85.241)
			:location (external)
		)
		: (h000233
			:type (host)
			:ipaddr (198.19.214.25)
			:location (external)
		)
		: (h000234
			:type (host)
			:ipaddr (198.19.21.187)
			:location (external)
		)
		: (h000235
			:type (host)
			:ipaddr (198.18.109.229)
			:location (external)
		)
		: (h000236
			:type (host)
			:ipaddr (198.18.138.77)
			:location (external)
		)
		: (h000237
			:type (host)
			:ipaddr (198.19.135.185)
			:location (external)
		)
		: (h000238
			:type (host)
			:ipaddr (198.18.171.113)
			:location (external)
		)
		: (h000239
			:type (host)
			:ipaddr (198.19.53.185)
			:location (external)
		)
		: (h000240
			:type (host)
			:ipaddr (198.19.5.14)
			:location (external)
		)
		: (h000241
			:type (host)
			:ipaddr (198.19.178.13)
			:location (external)
		)
		: (h000242
			:type (host)
			:ipaddr (198.18.131.188)
			:location (external)
		)
		: (h000243
			:type (host)
			:ipaddr (198.18.189.243)
			:location (external)
		)
		: (h000244
			:type (host)
			:ipaddr (198.18.174.218)
			:location (external)
		)
		: (h000245
			:type (host)
			:ipaddr (198.18.175.152)
			:location (external)
		)
		: (h000246
			:type (host)
			:ipaddr (198.18.58.199)
			:location (external)
		)
		: (h000247
			:type (host)
			:ipaddr (198.18.150.71)
			:location (external)
		)
		: (h000248
			:type (host)
			:ipaddr (198.18.121.93)
			:location (external)
		)
		: (h000249
			:type (host)
			:ipaddr (198.19.191.157)
			:location (external)
		)
		: (h000250
			:type (host)
			:ipaddr (198.19.231.34)
			:location (external)
		)
		: (h000251
			:type (host)
			:ipaddr (198.19.55.172)
			:location (external)
		)
		: (h000252
			:type (host)
			:ipaddr (198.19.146.68)
			:location (external)
		)
		: (h000253
			:type (host)
			:ipaddr (198.19.236.115)
			:location (external)
		)
		: (h000254
			:type (host)
			:ipaddr (198.19.113.5)
			:location (external)
		)
		: (h000255
			:type (host)
			:ipaddr (198.19.201.218)
			:location (external)
		)
		: (h000256
			:type (host)
			:ipaddr (198.18.252.60)
			:location (external)
		)
		: (h000257
			:type (host)
			:ipaddr (198.18.69.215)
			:location (external)
		)
		: (h000258
			:type (host)
			:ipaddr (198.19.43.71)
			:location (external)
		)
		: (h000259
			:type (host)
			:ipaddr (198.19.28.108)
			:location (external)
		)
		: (h000260
			:type (host)
			:ipaddr (198.19.141.121)
			:location (external)
		)
		: (h000261
			:type (host)
			:ipaddr (198.18.53.206)
			:location (external)
		)
		: (h000262
			:type (host)
			:ipaddr (198.18.165.129)
			:location (external)
		)
		: (h000263
			:type (host)
			:ipaddr (198.18.20.50)
			:location (external)
		)
		: (h000264
			:type (host)
			:ipaddr (198.18.209.208)
			:location (external)
		)
		: (h000265
			:type (host)
			:ipaddr (198.18.37.196)
			:location (external)
		)
		: (h000266
			:type (host)
			:ipaddr (198.18.196.54)
			:location (external)
		)
		: (h000267
			:type (host)
			:ipaddr (198.19.190.247)
			:location (external)
		)
		: (h000268
			:type (host)
			:ipaddr (198.19.255.129)
			:location (external)
		)
		: (h000269
			:type (host)
			:ipaddr (198.19.150.176)
			:location (external)
		)
		: (h000270
			:type (host)
			:ipaddr (198.18.76.7)
			:location (external)
		)
		: (h000271
			:type (host)
			:ipaddr (198.19.171.136)
			:location (external)
		)
		: (h000272
			:type (host)
			:ipaddr (198.18.64.131)
			:location (external)
		)
		: (h000273
			:type (host)
			:ipaddr (198.18.175.233)
			:location (external)
		)
		: (h000274
			:type (host)
			:ipaddr (198.18.59.47)
			:location (external)
		)
		: (h000275
			:type (host)
			:ipaddr (198.19.61.116)
			:location (external)
		)
		: (h000276
			:type (host)
			:ipaddr (198.19.47.31)
			:location (external)
		)
		: (h000277
			:type (host)
			:ipaddr (198.19.147.124)
			:location (external)
		)
		: (h000278
			:type (host)
			:ipaddr (198.19.221.237)
			:location (external)
		)
		: (h000279
			:type (host)
			:ipaddr (198.18.195.21)
			:location (external)
		)
		: (h000280
			:type (host)
			:ipaddr (198.18.39.141)
			:location (external)
		)
		: (h000281
			:type (host)
			:ipaddr (198.19.38.138)
			:location (external)
		)
		: (h000282
			:type (host)
			:ipaddr (198.19.27.244)
			:location (external)
		)
		: (h000283
			:type (host)
			:ipaddr (198.18.115.113)
			:location (external)
		)
		: (h000284
			:type (host)
			:ipaddr (198.19.36.15)
			:location (external)
		)
		: (h000285
			:type (host)
			:ipaddr (198.18.42.47)
			:location (external)
		)
		: (h000286
			:type (host)
			:ipaddr (198.19.235.99)
			:location (external)
		)
		: (h000287
			:type (host)
			:ipaddr (198.18.137.163)
			:location (external)
		)
		: (h000288
			:type (host)
			:ipaddr (198.18.188.76)
			:location (external)
		)
		: (h000289
			:type (host)
			:ipaddr (198.19.203.169)
			:location (external)
		)
		: (h000290
			:type (host)
			:ipaddr (198.18.152.131)
			:location (external)
		)
		: (h000291
			:type (host)
			:ipaddr (198.19.35.70)
			:location (external)
		)
		: (h000292
			:type (host)
			:ipaddr (198.19.19.182)
			:location (external)
		)
		: (h000293
			:type (host)
			:ipaddr (198.19.221.93)
			:location (external)
		)
		: (h000294
			:type (host)
			:ipaddr (198.18.58.252)
			:location (external)
		)
		: (h000295
			:type (host)
			:ipaddr (198.18.236.57)
			:location (external)
		)
		: (h000296
			:type (host)
			:ipaddr (198.19.206.193)
			:location (external)
		)
		: (h000297
			:type (host)
			:ipaddr (198.18.143.9)
			:location (external)
		)
		: (h000298
			:type (host)
			:ipaddr (198.18.55.151)
			:location (external)
		)
		: (h000299
			:type (host)
			:ipaddr (198.19.150.32)
			:location (external)
		)
		: (h000300
			:type (host)
			:ipaddr (198.18.23.155)
			:location (external)
		)
		: (g00001
			:type (group)
			: n00021
			: h000152
		)
		: (g00002
			:type (group)
			: h000115
			: h000017
			: h000123
			: h000090
			: h000138
		)
		: (g00003
			:type (group)
			: h000259
			: h000009
			: h000242
			: h000125
			: h000060
			: h000119
		)
		: (g00004
			:type (group)
			: n00012
			: n00007
			: h000284
		)
		: (g00005
			:type (group)
			: h000297
			: n00003
			: n00019
			: h000264
			: h000145
		)
		: (g00006
			:type (group)
			: n00012
			: h000260
			: h000093
			: h000273
		)
		: (g00007
			:type (group)
			: h000277
			: h000103
			: h000026
			: h000185
		)
		: (g00008
			:type (group)
			: h000006
			: n00017
			: h000059
			: h000091
		)
		: (g00009
			:type (group)
			: h000177
			: h000022
			: n00013
			: h000001
			: h000162
		)
		: (g00010
			:type (group)
			: h000077
			: h000094
		)
		: (g00011
			:type (group)
			: n00030
			: h000067
			: h000171
			: h000266
			: h000190
			: h000263
		)
		: (g00012
			:type (group)
			: h000151
			: n00024
		)
		: (g00013
			:type (group)
			: h000190
			: h000073
			: h000234
		)
		: (g00014
			:type (group)
			: h000127
			: h000238
			: n00027
		)
		: (g00015
			:type (group)
			: g00008
			: h000089
			: h000009
			: h000246
		)
	)
	:servobj (
		: (t11791
			:type (tcp)
			:port (11791)
		)
		: (t115
			:type (tcp)
			:port (115)
		)
		: (t35749
			:type (tcp)
			:port (35749)
		)
		: (u33176
			:type (udp)
			:port (33176)
		)
		: (t28301
			:type (tcp)
			:port (28301)
		)
		: (t49573
			:type (tcp)
			:port (49573)
		)
		: (u46529
			:type (udp)
			:port (46529)
		)
		: (t32944
			:type (tcp)
			:port (32944)
		)
		: (u20117
			:type (udp)
			:port (20117)
		)
		: (u35284
			:type (udp)
			:port (35284)
		)
		: (u23206
			:type (udp)
			:port (23206)
		)
		: (t33185
			:type (tcp)
			:port (33185)
		)
		: (t13735
			:type (tcp)
			:port (13735)
		)
		: (u9389
			:type (udp)
			:port (9389)
		)
		: (t58157
			:type (tcp)
			:port (58157)
		)
		: (t64395
			:type (tcp)
			:port (64395)
		)
		: (u48853
			:type (udp)
			:port (48853)
		)
		: (t4634
			:type (tcp)
			:port (4634)
		)
		: (t31710
			:type (tcp)
			:port (31710)
		)
		: (t31217
			:type (tcp)
			:port (31217)
		)
		: (u20861
			:type (udp)
			:port (20861)
		)
		: (u17261
			:type (udp)
			:port (17261)
		)
		: (u11217
			:type (udp)
			:port (11217)
		)
		: (t16022
			:type (tcp)
			:port (16022)
		)
		: (u42217
			:type (udp)
			:port (42217)
		)
		: (u11189
			:type (udp)
			:port (11189)
		)
		: (u24976
			:type (udp)
			:port (24976)
		)
		: (u12935
			:type (udp)
			:port (12935)
		)
		: (t24976
			:type (tcp)
			:port (24976)
		)
		: (u1520
			:type (udp)
			:port (1520)
		)
	)
	:props (
		: (props
			:gatewaydir (inbound)
		)
	)
)
