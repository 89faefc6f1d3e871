FILE,t.c
LINE,1
	@_a,"a",6,4,2,1,2
