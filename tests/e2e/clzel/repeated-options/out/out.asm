	module	a
	end
