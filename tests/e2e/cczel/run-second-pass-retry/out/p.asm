; czel1 stand-in: intermediate code from ./TA000001
	module	p
	end
