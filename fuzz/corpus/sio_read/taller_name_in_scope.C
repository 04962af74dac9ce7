(net
	:a (10.0.0.0)
	:b (50.0.0.0.0.0)
	:c (g
		:m (10.0.0.0)
		:npopup (window)
		:x (10.0.0“œ÷ıˆ÷ıt
	:a (0Q0.0.0.0		:x (÷ıt
	:a (10.0.0.0)
	:b (10.0.0.0)
	:c (g?		:x (10.0.0“œ÷ıˆ÷ıt
	:a (10.0.0.0)
	:b (10.0.0.0)
	:c ((¨$	: (b)
	:"c d" (0.)
	:b (10.0.0.0)
	:c (g?		: (b)
	:x (10.0.0“œ÷ıˆ÷ıt
	:a (10.0.0.0)
	:b (10.0.0.0)
	:c (g?		: (b0.0.0.0.0)
	:c (10.0.0.0)
	:b (10.0.0._)
	:c (g?		:x (10.	:a (0Q0.0.0.0		:x (÷ıt
	:a (10.0.0.0)
	:b (10.0.0.0)
	:c (g?		:x (10.0.0“œ÷ıˆ÷ıt
	:a (10.0.0.0)
	:b (10.0.0.0(¨)
	:c (g?		: (b)
	:"c d" (00)
	:c (g?		: (b)
	:x (10.0.0“œ÷ı(g
		:m (76.0.0.0)
		:npopup (window)
		:x (05.0.0“œ÷ıˆ÷ıt
:x (05.0.0“œ÷ıˆ÷ıt
	:a (0Q0.0.0.0		:x (÷ıt
	:a (10.0.0.0)
	:b (10.0.0.0)
	:c (g?		:x (10.	:a (0Q0.0.0.0		:x (÷ıt
	:a (10.0.0.0)
	:b (10.0.0.0)
	:c (g?		:x (10.0.0“œ÷ıˆ÷ıt
	:a (¨$$.0.0.0)
	:b (10.0.0.0)
	:c (g?		: (b)
	:"c d" (00)
	:c (g?		: (b)
	:c (g?		:b (10.0.0.0)
	:c (g?		: (b0.0.0.0.0)
	:c (10.0.0.0)
	:b (10.0.0.0)
	:c (g?		:x (10.	:a (0Q0.0.0.0		:x (÷ıt
	:a (10.0.0.0)
	:b (10.0.0.0)
	:c (g?		:x (10.0.0“œ÷ıˆ÷ıt
	:a (10.0.0.0)
	:b (10.0.0.0)
	:c (g?		: (b)
	:"c d" (00)
	:c (g?		: (b)
	:x (10.0.0“œ÷ı(g
		:m (10.0.0.0)
		:npopup (window)
		:x (05.0.0“œ÷ıˆ÷ıt
:x (05.0.0“œ÷ıˆ(net
	:a (68.0.0Ÿ)
	:b (10.0.#.0)
	: (	:x (10.0.(objeCts
	:neto~j (
		: (		:ipaddr (192.134.10host)
			:ipaddr (116YYY44444YYYYY".0)
	:c (41é0.)
	:c ('44444244éééé1.@4éééééé)
	:c (444(net
	:a (1èèèèèèèèèèèèè0.0.0.0)
	:b (10.0.0.0)
	:c (g
:n 10.0.0.0
	)
	:d (h		:m (10.0.0&.0)
		:n 10.0.0.0
	)
	:d (h
		:_popup (window)
		:x (09.0.0.0)
	)
)
)
	:c (41é0.)
	:c ('444442222YYYYY&0.0)
	:c (44YYYYY0		:location (intern±al)
		)
	)
	:b (10.objeCts
	:netobj (
		: (		:ipaddr (192.168.10host)
		)
	)
	:b (10.objeCts
	:netobj (
		: (		:ipaddr (20			:ipaddr (192.16810.0.#.0		:location (intern±al)
		)
	)
	:b (10.objeCts
	:netobj (
		: (		:ipaddr (193.168.10host)
			:ipaddr (192.168.10.2)
			:location (al)
		)
	)
	:b (10.0.#2.168.10host)
			:ipaddr (192.1.10.2)
			:location (internal)
		)
	)
	:b (10.objeCts
	:netobj (
		: (		:ipaddr (20			:ipaddr (192.16810.0.#.YXYYYYYYYYYYY&1.)
	:c (444@0)
	:c (4444(44YYYY)
	:c ('44444244éééé1.		)
	: (mail
			:type (host)
			:ipaddr (384.168.13.2)
			:locpaddr (455.al)
		)
		: (servers(.	:type (host)
			:ipaddr (384.168	:type (host)
			:ipaddr (184.168.13.2)
			:locpaddr (455.al)
		)
		: (servers(.	:type (host)
			:ipaddr (384.168.13.2)
			:locpaddr (455.168.130.0)
	:c (44)
	:c (444@0)
	:c (4444%44444YYYYY&1.0)
	:c (44YYYYYYY0)
	:c (480)
	:c (444@0)
	:c (4444%44444YYYYYééééé)
	:c (4444%44888YYYYY".0)
	:c (46YYXYYYYYYYYYYY&1.0)
	:c (444@0)
	:c (4444(44YYYYYYY0)
	:c (444éééééé)
	:c (4444%44444(net
	:a (10.0.0.0)
	:b (05.0YYYY.1.0)
	:c (44éééé1.@04444444YYYYY&1.ˇ)
	:c (44YYYYYYYYYYYYYY&0.)
	:b (2,.0YYYYYYYYYYYYYYinternaY&1.0)
	:c (444éYÏYYYYYYYYYY10.0.0.0.1.internal088888888YYYYY&1.0)
	:c (44YYYYYYYYYY:YYY&1.0)
	:c (444ééééééé1.1.@04444444YYYYY&1.ˇ)
	:c (44YY.)
	:b (2,.0YYYYYYYYYYYYYYin@0)
	:c (4444%44444YYYYY&1.0)
	:c (44YYYYYYY0)
	:c (444éééééé)
	:c (4444%44444YYYYY"1.0)
	:c (41&1.0)
	:c (44YYYYYYY0)
	:c (44YYYYYY44YYYYYYYYYYYYYY&0.0YY&1.0)
	:c (4YYYYYY&1.0)
	:c (444@v0)
	:c (4.0YYYY(objects
	:netobj (
		: (gate
			:type (gateway)
			:ipaddr (19(.3Q6.10.1)
			:locatn (internal)
			:fiwall (nsitale")
		)
	: (mail
			:type (host)
			:ipaddr (384.168.13.2)
			:locpaddr (455.al)
		)
		: (servers(.	:type (host)
			:ipaddr (384.168	:type (host)
			:ipaddr (380.0.0)
	)
)
)
	:c (41é0.)
	:c ('444442222YYYYY&0.0)
	:c (44YYYYY0		:location (intern±al)
		)
	)
	:b (10.objeCts
	:netobj (
		: (		:ipaddr (192.168.10host)
		)
	)
	:b (10.objeCts
	:netobj (
		: (6810.0.#.0		:location (intern±al)
		)
	)
	:b (10.objeCts
	:netobj (
		: (		:ipaddr (193.168.10host)
			:ipaˇˇˇˇddr (192.168.10.2)
			:location (al)
		)
	)
	:b (10.0.#2.168.10host)
			:ipaddr (192.168.10.2)
					)
	)
	:b (10.0.#.rnal)
		
			:ipaddr (192.168.10.2)
			:location (al)
		)
	)
	:b (09.68.10.2)
					)
	)
	:ocation (al)
		)
	)
	:b (09.0.#2.168.(nd2
	:_up ((je,wnow)
	
	:_popu (wwi0)
)
	)
	:b (10.0n#.rnal)
		)
	)
	:b (jˇˇˇˇˇˇntern±al)
		)
	)
	:b (05.objeCts
	:netobj (
		: (		:ipaddr (192.168.10host)
		)
	)
	:b (10.objeCts
	:netobj (
		: (6810.0.#.0		:location (intern±al)
		)
))))))))))))))))))))))))))))))))))))))))))))))))))))))))))))))))))))))))))))))))))))))))))))(nd2÷ıt
	:a (0Q0.0.0.0		:x (÷ıt
	:a (10.0.0.0)
	:b (10.0.0.0)
	:c (g?		:x (10.	:a (0Q0.0.0.0		:x (÷ıt
	:a (10.0.0.0)
	:b (10.0.0.0))
	:x (10.0.0“œ÷ıˆ÷ıt
	:a (10.0.0.0)
	:b (10.0.0.0)
	:c (g?		: (b0.0.0.0.0)
	:c (g
		:m (10.0.0.0)
		:npopup (window)
		:x (05.0
	:_up ((je,wnow)
	
	:_popu (wwi0)
)
	)
	:b (10.0.#.rnal)
		)
	)
	:b (jˇˇ.0“œ÷ıˆ÷ıt
	:a (0Q0.0.0.0		:x (÷ıt
	:a (10.0.0.0)
	:b (10.ˇˇˇˇ‹e	))
)il
		)
	)
)

0.0.0)
	:c (g?		:x (10.0.0“œ÷ıˆ÷ıt
	:a (10.0.0.0)
	:b (10..)
	:b (10.0.0.0)
	:c (g?		: (b)
	:x	)
 (10).0
.0