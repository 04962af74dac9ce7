(auth
	:auth-domain ()
)
