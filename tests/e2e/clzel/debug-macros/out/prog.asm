	file "prog.c",0,0,0
	symbol_a "1.3b",54,415,2
	module	prog
	symbol_a "LIMIT",16,64,1
	symbol_a "10",16,64,2
	symbol_a "EMPTY",16,65,1
	symbol_a "MASK",16,66,1
	symbol_a "0x0F",16,66,2
	end
