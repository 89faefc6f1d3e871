	module	prog
	end
