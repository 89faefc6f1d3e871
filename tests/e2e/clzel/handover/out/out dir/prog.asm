	module	prog
 nop
	end
