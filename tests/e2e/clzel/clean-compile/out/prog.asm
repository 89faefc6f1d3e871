	module	prog
	nop
	end
