(bench
	:rule (
		:src (
			: h000197
		)
		:dst (
			: h000161
		)
		:services (
			: u20861
			: u20117
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000202
		)
		:dst (
			: h000221
		)
		:services (
			: u17261
			: t32944
			: u24976
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000020
		)
		:dst (
			: h000083
		)
		:services (
			: u20117
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00021
			: h000076
			: n00030
		)
		:dst (
			: g00008
		)
		:services (
			: u20117
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: h000286
			: h000140
			: n00012
		)
		:services (
			: u11189
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000104
		)
		:dst (
			: n00016
			: g00009
		)
		:services (
			: u1520
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00003
		)
		:dst (
			: Any
		)
		:services (
			: u48853
			: t115
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: h000132
		)
		:services (
			: t13735
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000022
			: g00010
		)
		:dst (
			: n00001
		)
		:services (
			: t115
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00020
			: h000079
		)
		:dst (
			: h000164
		)
		:services (
			: t24976
			: u48853
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00003
			: h000117
			: n00012
		)
		:dst (
			: h000155
			: h000150
		)
		:services (
			: u33176
		)
		:action (
			: drop
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00006
		)
		:dst (
			: n00018
		)
		:services (
			: t32944
			: t16022
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: h000219
		)
		:services (
			: t31710
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000082
		)
		:dst (
			: h000241
			: g00007
			: h000214
		)
		:services (
			: t28301
		)
		:action (
			: drop
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000168
			: g00008
		)
		:dst (
			: n00015
		)
		:services (
			: u20117
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000178
			: g00015
		)
		:dst (
			: h000245
			: h000093
			: h000165
		)
		:services (
			: t31710
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000153
			: n00011
		)
		:dst (
			: n00024
		)
		:services (
			: t11791
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00023
		)
		:dst (
			: n00001
			: g00008
		)
		:services (
			: t33185
		)
		:action (
			: drop
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00003
			: h000175
		)
		:dst (
			: n00015
		)
		:services (
			: t49573
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000260
		)
		:dst (
			: g00008
		)
		:services (
			: u11217
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000209
		)
		:dst (
			: h000180
		)
		:services (
			: u20861
			: t64395
			: t11791
		)
		:action (
			: drop
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000218
			: n00021
			: g00005
		)
		:dst (
			: n00025
		)
		:services (
			: t49573
			: u48853
			: u33176
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00003
		)
		:dst (
			: h000234
			: h000098
		)
		:services (
			: Any
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00013
			: h000133
		)
		:dst (
			: g00007
			: h000088
			: h000171
		)
		:services (
			: t4634
			: u33176
			: u9389
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000189
			: h000226
		)
		:dst (
			: n00001
		)
		:services (
			: t4634
			: u17261
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000009
		)
		:dst (
			: n00017
			: n00026
			: h000228
		)
		:services (
			: t24976
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000075
		)
		:dst (
			: n00003
			: h000066
			: h000027
		)
		:services (
			: u11217
			: u20117
			: t31710
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00001
		)
		:dst (
			: g00009
			: h000070
			: n00011
		)
		:services (
			: u24976
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000075
			: n00016
		)
		:dst (
			: h000159
		)
		:services (
			: Any
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00008
		)
		:dst (
			: g00002
		)
		:services (
			: u11217
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00018
		)
		:dst (
			: g00012
		)
		:services (
			: Any
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000186
		)
		:dst (
			: n00003
			: n00016
			: h000010
		)
		:services (
			: t115
			: t31217
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000122
		)
		:dst (
			: n00020
			: h000225
			: h000084
		)
		:services (
			: u9389
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000065
		)
		:dst (
			: h000006
			: h000165
		)
		:services (
			: u23206
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00019
		)
		:dst (
			: g00002
		)
		:services (
			: u12935
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00011
			: n00006
			: n00013
		)
		:dst (
			: h000234
		)
		:services (
			: t115
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00003
			: h000132
		)
		:dst (
			: n00029
		)
		:services (
			: u33176
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: h000139
		)
		:services (
			: u1520
		)
		:action (
			: drop
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000117
			: h000180
		)
		:dst (
			: g00002
		)
		:services (
			: t16022
			: t58157
			: t28301
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000004
			: h000112
		)
		:dst (
			: h000067
			: h000019
			: n00003
		)
		:services (
			: t49573
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00003
			: h000122
			: h000212
		)
		:dst (
			: g00007
			: n00004
			: h000212
		)
		:services (
			: u11217
		)
		:action (
			: drop
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00014
			: h000046
		)
		:dst (
			: n00014
		)
		:services (
			: t11791
			: t64395
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00010
		)
		:dst (
			: h000164
		)
		:services (
			: t32944
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000204
		)
		:dst (
			: n00022
		)
		:services (
			: u24976
			: t11791
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000263
		)
		:dst (
			: h000019
		)
		:services (
			: u1520
			: u42217
			: u12935
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000209
		)
		:dst (
			: h000208
		)
		:services (
			: u20861
			: t58157
			: t32944
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000233
		)
		:dst (
			: h000211
			: h000103
		)
		:services (
			: u17261
			: t58157
			: t31710
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00005
			: h000081
		)
		:dst (
			: n00021
			: n00013
			: n00005
		)
		:services (
			: u20861
			: t35749
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: h000272
		)
		:services (
			: u17261
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00003
		)
		:dst (
			: h000295
			: h000120
		)
		:services (
			: t31217
			: t24976
			: t35749
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00028
		)
		:dst (
			: h000244
			: h000202
			: g00008
		)
		:services (
			: Any
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00021
			: n00030
			: h000162
		)
		:dst (
			: n00004
		)
		:services (
			: u9389
			: u46529
			: t58157
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00003
			: g00004
			: h000053
		)
		:dst (
			: h000130
			: g00014
		)
		:services (
			: u11217
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00015
		)
		:dst (
			: h000266
			: h000246
			: n00026
		)
		:services (
			: t32944
			: u9389
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00016
			: n00011
		)
		:dst (
			: h000173
		)
		:services (
			: t49573
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000025
			: h000239
			: n00015
		)
		:dst (
			: n00006
		)
		:services (
			: u42217
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00015
			: h000244
		)
		:dst (
			: n00025
		)
		:services (
			: t24976
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000066
			: g00008
			: h000188
		)
		:dst (
			: h000118
			: h000135
			: h000057
		)
		:services (
			: t31710
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000051
			: h000015
		)
		:dst (
			: g00009
		)
		:services (
			: t33185
		)
		:action (
			: drop
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00010
		)
		:dst (
			: h000160
			: h000088
		)
		:services (
			: t28301
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: h000152
		)
		:services (
			: u33176
			: t35749
			: u17261
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000159
		)
		:dst (
			: h000238
		)
		:services (
			: u9389
			: u42217
			: u12935
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00010
		)
		:dst (
			: n00005
			: g00013
		)
		:services (
			: t31217
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000077
		)
		:dst (
			: n00018
			: n00002
		)
		:services (
			: t4634
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000028
		)
		:dst (
			: n00027
			: g00003
		)
		:services (
			: t11791
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000146
		)
		:dst (
			: h000108
		)
		:services (
			: t35749
			: t16022
		)
		:action (
			: drop
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00002
			: h000152
		)
		:dst (
			: n00008
		)
		:services (
			: Any
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000193
			: h000116
			: g00013
		)
		:dst (
			: h000081
			: h000048
			: n00027
		)
		:services (
			: Any
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000116
			: h000199
		)
		:dst (
			: h000191
			: n00026
		)
		:services (
			: u23206
			: t24976
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000057
			: h000137
		)
		:dst (
			: n00016
		)
		:services (
			: t35749
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000067
		)
		:dst (
			: h000212
			: n00019
			: h000094
		)
		:services (
			: t35749
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00029
		)
		:dst (
			: g00011
			: g00010
			: g00002
		)
		:services (
			: u1520
			: t58157
			: t115
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000065
		)
		:dst (
			: h000219
		)
		:services (
			: Any
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00003
			: h000109
			: h000234
		)
		:dst (
			: g00005
			: h000152
		)
		:services (
			: Any
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00009
			: n00016
		)
		:dst (
			: h000136
			: n00016
		)
		:services (
			: u1520
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00015
		)
		:dst (
			: h000239
		)
		:services (
			: u35284
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00023
			: h000115
		)
		:dst (
			: n00002
			: h000287
			: h000185
		)
		:services (
			: t31217
		)
		:action (
			: drop
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000220
			: h000114
		)
		:dst (
			: g00002
		)
		:services (
			: u23206
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00006
			: n00006
			: h000161
		)
		:dst (
			: h000056
			: h000279
			: n00029
		)
		:services (
			: u11189
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: h000270
			: h000108
		)
		:services (
			: Any
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00017
		)
		:dst (
			: h000246
		)
		:services (
			: u24976
			: u46529
		)
		:action (
			: drop
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000187
			: h000105
		)
		:dst (
			: h000191
		)
		:services (
			: t64395
			: u42217
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000286
		)
		:dst (
			: h000189
			: n00002
		)
		:services (
			: t24976
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00019
		)
		:dst (
			: h000112
			: h000048
			: h000272
		)
		:services (
			: u20117
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00002
			: h000286
			: n00029
		)
		:dst (
			: Any
		)
		:services (
			: t35749
			: t31710
			: t49573
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00025
			: h000026
			: h000284
		)
		:dst (
			: h000255
			: h000217
		)
		:services (
			: u23206
			: t64395
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000096
		)
		:dst (
			: n00005
			: h000163
		)
		:services (
			: t115
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00008
		)
		:dst (
			: g00003
		)
		:services (
			: u9389
			: u42217
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00012
			: h000108
			: h000061
		)
		:dst (
			: h000104
			: g00012
		)
		:services (
			: t13735
			: u46529
			: t32944
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000272
		)
		:dst (
			: g00009
			: n00018
		)
		:services (
			: u33176
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000181
		)
		:dst (
			: g00007
		)
		:services (
			: u23206
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000223
		)
		:dst (
			: h000015
			: h000223
		)
		:services (
			: u1520
			: u33176
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000195
			: h000232
			: h000258
		)
		:dst (
			: n00014
			: h000263
			: h000057
		)
		:services (
			: t35749
			: t115
			: u35284
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00010
			: h000210
		)
		:dst (
			: g00004
			: n00017
			: n00020
		)
		:services (
			: t58157
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: h000146
			: g00009
			: n00015
		)
		:services (
			: t31710
			: t24976
			: u46529
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000277
			: h000015
			: h000234
		)
		:dst (
			: h000272
		)
		:services (
			: t58157
			: t31217
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: h000272
			: g00006
			: n00024
		)
		:services (
			: u20117
			: t32944
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000036
			: h000287
			: h000014
		)
		:dst (
			: h000269
			: h000037
			: h000222
		)
		:services (
			: t31217
			: u24976
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000158
			: h000175
		)
		:dst (
			: h000187
			: n00010
			: h000111
		)
		:services (
			: t33185
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000269
		)
		:dst (
			: n00018
			: h000216
		)
		:services (
			: Any
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000283
		)
		:dst (
			: h000257
			: h000099
		)
		:services (
			: u46529
		)
		:action (
			: drop
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00005
			: n00008
		)
		:dst (
			: g00014
			: g00009
		)
		:services (
			: t13735
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: g00011
			: h000296
			: n00007
		)
		:services (
			: u48853
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000194
		)
		:dst (
			: h000259
		)
		:services (
			: t24976
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000024
		)
		:dst (
			: g00014
		)
		:services (
			: t64395
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000103
			: g00006
		)
		:dst (
			: h000148
		)
		:services (
			: t115
			: u11189
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00005
			: h000136
		)
		:dst (
			: g00001
			: n00014
		)
		:services (
			: t11791
			: u11217
		)
		:action (
			: drop
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00009
		)
		:dst (
			: n00018
		)
		:services (
			: t28301
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000017
		)
		:dst (
			: h000209
			: n00028
		)
		:services (
			: t31217
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000226
		)
		:dst (
			: g00010
		)
		:services (
			: u9389
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000154
		)
		:dst (
			: g00014
			: h000224
		)
		:services (
			: u12935
			: u33176
		)
		:action (
			: drop
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000106
			: h000146
		)
		:dst (
			: h000087
		)
		:services (
			: t13735
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000227
		)
		:dst (
			: h000020
		)
		:services (
			: u46529
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00009
			: h000073
		)
		:dst (
			: h000281
		)
		:services (
			: t33185
			: u20861
			: u9389
		)
		:action (
			: drop
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: h000221
			: g00002
			: h000100
		)
		:services (
			: u11217
		)
		:action (
			: drop
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000061
			: h000173
		)
		:dst (
			: h000251
			: h000240
		)
		:services (
			: t31217
		)
		:action (
			: drop
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00025
			: h000262
		)
		:dst (
			: h000170
		)
		:services (
			: t11791
			: u33176
			: t58157
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000177
		)
		:dst (
			: h000114
			: h000037
			: h000176
		)
		:services (
			: u9389
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: h000104
			: h000107
		)
		:services (
			: t16022
			: u12935
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000143
		)
		:dst (
			: h000078
		)
		:services (
			: t35749
			: t31710
			: t13735
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000203
			: h000162
		)
		:dst (
			: h000292
			: h000298
			: g00004
		)
		:services (
			: u42217
			: t4634
			: u17261
		)
		:action (
			: drop
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00007
			: n00020
		)
		:dst (
			: h000097
			: g00011
		)
		:services (
			: t35749
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: h000052
			: h000242
			: h000267
		)
		:services (
			: u24976
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00003
			: h000279
		)
		:dst (
			: n00020
			: h000290
			: h000136
		)
		:services (
			: t35749
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00008
			: h000046
		)
		:dst (
			: h000289
		)
		:services (
			: u17261
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000033
			: h000199
		)
		:dst (
			: h000174
			: h000070
		)
		:services (
			: u35284
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00030
			: h000229
		)
		:dst (
			: n00017
		)
		:services (
			: u23206
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000225
		)
		:dst (
			: h000201
			: g00008
			: h000244
		)
		:services (
			: u11217
			: u46529
			: u9389
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00003
		)
		:dst (
			: g00011
			: n00006
		)
		:services (
			: t115
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000130
		)
		:dst (
			: n00025
		)
		:services (
			: t58157
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00014
			: h000128
			: h000126
		)
		:dst (
			: Any
		)
		:services (
			: t49573
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: h000004
			: h000083
			: h000263
		)
		:services (
			: t58157
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000160
		)
		:dst (
			: h000042
		)
		:services (
			: u48853
			: u9389
			: t4634
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00012
			: n00009
		)
		:dst (
			: h000136
			: h000089
		)
		:services (
			: t31217
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00013
		)
		:dst (
			: h000184
		)
		:services (
			: t4634
			: u33176
			: t33185
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000278
		)
		:dst (
			: g00009
		)
		:services (
			: u17261
			: u11217
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000157
		)
		:dst (
			: h000234
			: g00001
		)
		:services (
			: t4634
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000009
		)
		:dst (
			: n00024
		)
		:services (
			: u17261
			: u46529
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000293
			: h000126
		)
		:dst (
			: h000002
			: n00013
		)
		:services (
			: t13735
			: u24976
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00025
			: h000213
		)
		:dst (
			: h000204
		)
		:services (
			: t32944
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000093
		)
		:dst (
			: h000063
			: h000161
		)
		:services (
			: t16022
		)
		:action (
			: drop
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00012
		)
		:dst (
			: n00028
		)
		:services (
			: u46529
			: u12935
			: t16022
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00021
			: h000004
			: h000297
		)
		:dst (
			: h000197
		)
		:services (
			: t24976
			: t13735
			: t16022
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000254
			: n00013
		)
		:dst (
			: h000096
			: h000220
		)
		:services (
			: u1520
			: u20861
			: u42217
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00016
		)
		:dst (
			: Any
		)
		:services (
			: t4634
			: t115
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000181
		)
		:dst (
			: Any
		)
		:services (
			: u17261
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: n00019
		)
		:services (
			: t58157
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000020
			: h000135
			: h000294
		)
		:dst (
			: g00002
		)
		:services (
			: u11189
			: u42217
			: t31710
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000111
		)
		:dst (
			: n00017
			: h000190
		)
		:services (
			: u20117
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00005
			: h000091
		)
		:dst (
			: h000294
		)
		:services (
			: t28301
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000136
			: h000205
		)
		:dst (
			: n00026
			: n00025
		)
		:services (
			: t4634
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000085
		)
		:dst (
			: g00005
		)
		:services (
			: u11217
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000104
		)
		:dst (
			: h000137
		)
		:services (
			: t28301
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000213
			: h000205
			: n00017
		)
		:dst (
			: h000091
		)
		:services (
			: t4634
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000161
			: h000184
			: h000207
		)
		:dst (
			: h000180
			: n00019
		)
		:services (
			: u33176
			: u11189
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000164
			: h000107
		)
		:dst (
			: h000048
		)
		:services (
			: t28301
			: u20117
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000249
		)
		:dst (
			: h000267
		)
		:services (
			: t24976
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000207
			: h000158
		)
		:dst (
			: h000091
			: h000160
			: n00009
		)
		:services (
			: t24976
			: u12935
			: t31217
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000026
			: g00008
			: h000004
		)
		:dst (
			: n00007
		)
		:services (
			: u46529
			: t31217
			: u24976
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000103
			: h000122
		)
		:dst (
			: h000127
		)
		:services (
			: t16022
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00005
		)
		:dst (
			: n00020
		)
		:services (
			: u17261
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000048
		)
		:dst (
			: g00011
			: h000031
		)
		:services (
			: u33176
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: h000213
			: n00029
		)
		:services (
			: Any
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000076
		)
		:dst (
			: h000130
		)
		:services (
			: t49573
			: t24976
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000193
		)
		:dst (
			: g00003
			: h000209
			: h000113
		)
		:services (
			: Any
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000204
			: h000202
		)
		:dst (
			: h000018
		)
		:services (
			: Any
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000169
		)
		:dst (
			: h000236
			: h000021
		)
		:services (
			: t24976
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000099
		)
		:dst (
			: n00030
			: h000021
			: n00004
		)
		:services (
			: t32944
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000243
		)
		:dst (
			: h000280
		)
		:services (
			: t64395
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000039
			: n00023
			: n00022
		)
		:dst (
			: h000155
		)
		:services (
			: t31710
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000024
			: h000023
			: h000158
		)
		:dst (
			: h000158
		)
		:services (
			: t31710
			: t32944
			: t33185
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: h000003
		)
		:services (
			: u20117
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: h000238
		)
		:services (
			: t32944
			: t49573
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000224
			: h000075
		)
		:dst (
			: h000038
			: h000114
			: h000275
		)
		:services (
			: u20861
			: u33176
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000223
		)
		:dst (
			: h000080
			: h000219
		)
		:services (
			: u42217
			: u9389
			: u33176
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: h000235
			: h000263
		)
		:services (
			: t16022
			: t35749
			: u35284
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: Any
		)
		:services (
			: t31217
			: u1520
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00018
			: n00009
			: h000118
		)
		:dst (
			: n00018
			: h000027
			: h000021
		)
		:services (
			: t49573
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000051
			: h000039
		)
		:dst (
			: h000202
			: h000291
		)
		:services (
			: u12935
			: t16022
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000213
		)
		:dst (
			: g00008
		)
		:services (
			: t16022
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000085
		)
		:dst (
			: h000010
		)
		:services (
			: u24976
			: t16022
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000141
		)
		:dst (
			: h000142
		)
		:services (
			: u11189
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00029
			: g00015
			: h000198
		)
		:dst (
			: h000208
			: h000009
		)
		:services (
			: u35284
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000160
			: n00001
			: h000039
		)
		:dst (
			: h000086
		)
		:services (
			: t31710
			: u42217
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: g00015
			: h000186
		)
		:services (
			: t49573
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000091
		)
		:dst (
			: n00030
		)
		:services (
			: u24976
			: t4634
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: n00011
		)
		:services (
			: Any
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000239
			: h000083
		)
		:dst (
			: g00013
		)
		:services (
			: t4634
			: u24976
			: t11791
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000089
		)
		:dst (
			: n00014
		)
		:services (
			: Any
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000053
			: h000224
			: n00030
		)
		:dst (
			: n00017
			: n00009
		)
		:services (
			: t115
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: h000239
			: h000058
		)
		:services (
			: u9389
			: t31710
			: t24976
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00001
		)
		:dst (
			: n00021
			: h000006
		)
		:services (
			: t13735
			: t35749
			: t58157
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000145
		)
		:dst (
			: Any
		)
		:services (
			: u23206
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00010
			: h000299
			: n00013
		)
		:dst (
			: n00009
		)
		:services (
			: u20117
			: u48853
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: n00026
			: h000124
			: h000131
		)
		:services (
			: t13735
			: u42217
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000250
			: g00009
		)
		:dst (
			: n00004
		)
		:services (
			: t115
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000175
		)
		:dst (
			: h000061
			: h000240
			: h000056
		)
		:services (
			: t33185
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00006
		)
		:dst (
			: h000262
			: h000171
			: n00004
		)
		:services (
			: t11791
			: t64395
			: t33185
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00017
			: h000014
			: h000099
		)
		:dst (
			: h000268
		)
		:services (
			: t11791
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00011
		)
		:dst (
			: h000166
		)
		:services (
			: u46529
			: u20117
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00008
			: h000040
		)
		:dst (
			: n00023
			: h000160
			: h000038
		)
		:services (
			: t33185
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000050
		)
		:dst (
			: h000123
			: h000247
			: h000132
		)
		:services (
			: u9389
			: t33185
			: t64395
		)
		:action (
			: drop
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000198
		)
		:dst (
			: h000141
		)
		:services (
			: u9389
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00019
		)
		:dst (
			: n00009
		)
		:services (
			: u46529
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000161
			: h000095
			: h000022
		)
		:dst (
			: n00002
			: g00008
		)
		:services (
			: t31710
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00014
		)
		:dst (
			: h000268
			: h000294
			: h000293
		)
		:services (
			: u33176
			: t28301
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00029
		)
		:dst (
			: h000026
		)
		:services (
			: t58157
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000248
		)
		:dst (
			: n00012
			: n00009
		)
		:services (
			: Any
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00008
		)
		:dst (
			: h000192
		)
		:services (
			: Any
		)
		:action (
			: drop
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000023
			: g00012
		)
		:dst (
			: n00028
		)
		:services (
			: t58157
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00005
		)
		:dst (
			: h000021
		)
		:services (
			: t115
		)
		:action (
			: drop
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000227
		)
		:dst (
			: Any
		)
		:services (
			: t11791
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000072
		)
		:dst (
			: n00007
		)
		:services (
			: t64395
			: u11217
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00022
			: h000109
			: n00009
		)
		:dst (
			: h000191
		)
		:services (
			: u46529
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000095
		)
		:dst (
			: h000156
		)
		:services (
			: u20861
			: u33176
			: u12935
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000093
			: h000183
		)
		:dst (
			: n00025
		)
		:services (
			: Any
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00011
		)
		:dst (
			: h000267
		)
		:services (
			: t35749
		)
		:action (
			: drop
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00028
			: n00004
		)
		:dst (
			: h000232
		)
		:services (
			: u20861
			: u33176
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00028
			: h000036
			: g00012
		)
		:dst (
			: h000153
		)
		:services (
			: u23206
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000254
		)
		:dst (
			: h000297
		)
		:services (
			: u17261
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00003
		)
		:dst (
			: g00013
		)
		:services (
			: u35284
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00007
		)
		:dst (
			: n00019
		)
		:services (
			: Any
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: h000282
			: h000032
		)
		:services (
			: Any
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00020
		)
		:dst (
			: g00013
		)
		:services (
			: u17261
			: u42217
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000248
			: h000197
		)
		:dst (
			: h000005
			: n00003
		)
		:services (
			: u24976
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00006
			: h000232
			: n00011
		)
		:dst (
			: h000089
			: h000207
			: g00007
		)
		:services (
			: u24976
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000206
		)
		:dst (
			: h000149
		)
		:services (
			: t115
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000068
		)
		:dst (
			: h000052
			: h000078
			: n00021
		)
		:services (
			: t35749
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00008
		)
		:dst (
			: h000206
		)
		:services (
			: u23206
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000064
		)
		:dst (
			: n00002
		)
		:services (
			: t115
			: u12935
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000293
		)
		:dst (
			: g00015
			: h000083
		)
		:services (
			: u9389
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000193
			: g00012
			: g00007
		)
		:dst (
			: n00018
		)
		:services (
			: t24976
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000105
			: h000274
			: h000027
		)
		:dst (
			: g00004
		)
		:services (
			: t64395
			: t49573
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00016
			: g00002
		)
		:dst (
			: h000281
		)
		:services (
			: u17261
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: g00014
		)
		:services (
			: t13735
			: t4634
		)
		:action (
			: drop
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: h000138
			: g00003
			: n00025
		)
		:services (
			: Any
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000003
		)
		:dst (
			: n00006
			: h000286
		)
		:services (
			: t16022
			: t64395
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00008
			: n00027
		)
		:dst (
			: h000263
		)
		:services (
			: u20861
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000176
		)
		:dst (
			: g00001
		)
		:services (
			: u46529
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: h000195
			: h000052
		)
		:services (
			: u20861
			: u9389
			: t49573
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000002
		)
		:dst (
			: h000215
			: h000127
		)
		:services (
			: u17261
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000017
		)
		:dst (
			: h000095
			: h000090
		)
		:services (
			: t49573
			: u9389
			: u20117
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000288
			: h000130
		)
		:dst (
			: Any
		)
		:services (
			: u20861
			: u17261
			: t35749
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: h000140
			: g00012
		)
		:services (
			: u23206
			: u17261
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000092
		)
		:dst (
			: n00028
		)
		:services (
			: Any
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00010
		)
		:dst (
			: h000044
			: h000261
			: h000206
		)
		:services (
			: Any
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000209
			: h000069
		)
		:dst (
			: h000214
		)
		:services (
			: t33185
			: u17261
			: u48853
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00017
			: h000241
		)
		:dst (
			: h000164
			: n00021
			: n00003
		)
		:services (
			: Any
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000069
		)
		:dst (
			: g00009
		)
		:services (
			: t4634
			: u23206
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: h000272
		)
		:services (
			: t58157
			: u20861
			: u23206
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000123
		)
		:dst (
			: h000110
			: h000035
		)
		:services (
			: t28301
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000133
		)
		:dst (
			: n00027
			: h000040
		)
		:services (
			: t58157
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000218
		)
		:dst (
			: g00008
		)
		:services (
			: u20117
		)
		:action (
			: drop
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000114
			: n00011
		)
		:dst (
			: g00006
		)
		:services (
			: u9389
		)
		:action (
			: drop
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00030
		)
		:dst (
			: h000160
		)
		:services (
			: t24976
			: u35284
			: t28301
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000262
			: h000109
			: h000227
		)
		:dst (
			: h000103
		)
		:services (
			: t33185
			: u46529
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000295
			: n00016
		)
		:dst (
			: h000004
		)
		:services (
			: u24976
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000180
		)
		:dst (
			: n00018
			: n00004
		)
		:services (
			: t64395
			: t4634
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000053
		)
		:dst (
			: n00016
		)
		:services (
			: u33176
			: t13735
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000218
		)
		:dst (
			: h000241
			: g00010
			: h000122
		)
		:services (
			: Any
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000159
		)
		:dst (
			: n00005
			: n00010
		)
		:services (
			: u20861
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000254
			: h000280
		)
		:dst (
			: h000024
		)
		:services (
			: t35749
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000091
		)
		:dst (
			: g00007
			: g00006
		)
		:services (
			: t28301
		)
		:action (
			: drop
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000081
		)
		:dst (
			: g00010
		)
		:services (
			: t33185
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000230
			: h000059
		)
		:dst (
			: n00030
			: n00003
		)
		:services (
			: t33185
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000117
			: h000178
			: h000186
		)
		:dst (
			: h000074
		)
		:services (
			: u20117
			: u20861
			: t35749
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00009
			: h000102
			: h000080
		)
		:dst (
			: h000206
		)
		:services (
			: t32944
			: t16022
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00001
			: n00026
			: h000132
		)
		:dst (
			: h000149
			: g00011
			: h000229
		)
		:services (
			: u11189
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000019
		)
		:dst (
			: n00004
		)
		:services (
			: u20117
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: h000137
		)
		:services (
			: t28301
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00009
		)
		:dst (
			: h000041
			: n00003
		)
		:services (
			: Any
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00010
			: h000159
		)
		:dst (
			: h000219
			: n00012
			: g00001
		)
		:services (
			: t115
			: t24976
			: t13735
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: Any
		)
		:services (
			: t28301
			: t24976
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00003
		)
		:dst (
			: h000219
		)
		:services (
			: u20117
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00026
		)
		:dst (
			: h000229
			: h000203
		)
		:services (
			: u9389
			: u12935
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00014
			: n00019
		)
		:dst (
			: h000165
			: h000226
		)
		:services (
			: t11791
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00011
			: h000041
		)
		:dst (
			: h000011
			: n00014
		)
		:services (
			: u20117
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000132
			: h000065
		)
		:dst (
			: h000216
			: h000040
		)
		:services (
			: u33176
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000200
			: h000146
		)
		:dst (
			: Any
		)
		:services (
			: Any
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000208
			: h000189
			: g00005
		)
		:dst (
			: Any
		)
		:services (
			: t35749
			: t58157
			: t32944
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000008
			: h000175
			: n00023
		)
		:dst (
			: g00004
		)
		:services (
			: t58157
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000124
			: h000102
			: h000271
		)
		:dst (
			: g00007
		)
		:services (
			: u46529
			: t35749
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: g00015
			: h000033
			: h000131
		)
		:dst (
			: Any
		)
		:services (
			: u11217
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000010
		)
		:dst (
			: g00012
		)
		:services (
			: t58157
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000191
		)
		:dst (
			: n00001
			: h000085
		)
		:services (
			: u20117
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000263
		)
		:dst (
			: h000286
			: h000099
		)
		:services (
			: t33185
			: u23206
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00010
		)
		:dst (
			: h000226
		)
		:services (
			: u9389
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: h000223
		)
		:services (
			: u9389
			: u23206
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: Any
		)
		:dst (
			: n00026
			: h000109
			: h000130
		)
		:services (
			: t4634
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00030
		)
		:dst (
			: h000040
		)
		:services (
			: u20861
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000054
		)
		:dst (
			: h000276
		)
		:services (
			: t4634
			: u20861
			: t16022
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000036
			: h000016
			: n00020
		)
		:dst (
			: h000135
		)
		:services (
			: u48853
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000233
		)
		:dst (
			: h000223
		)
		:services (
			: t11791
			: t35749
			: t32944
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: n00013
			: h000225
		)
		:dst (
			: h000100
		)
		:services (
			: u23206
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000145
			: n00012
		)
		:dst (
			: h000285
			: h000187
		)
		:services (
			: t115
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000290
		)
		:dst (
			: h000254
		)
		:services (
			: u11217
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000231
		)
		:dst (
			: h000127
		)
		:services (
			: u20117
		)
		:action (
			: drop
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000228
		)
		:dst (
			: g00004
			: h000067
		)
		:services (
			: t13735
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000167
			: h000154
		)
		:dst (
			: h000184
			: n00028
		)
		:services (
			: t64395
		)
		:action (
			: accept
		)
		:track ()
		:install (
			: Gateways
			: Routers
		)
	)
	:rule (
		:src (
			: h000300
			: h000271
		)
		:dst (
			: n00002
		)
		:services (
			: u11217
			: t13735
		)
		:action (
			: accept
		)
		:track (
			: short
		)
		:install (
			: Gateways
			: Routers
		)
	)
)
