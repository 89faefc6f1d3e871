FILE,t.c
LINE,1
	@_flags,"flags",3,4,1,1,2
	64,x,"",c,1,-1
{,1
BEGIN,quiet
	10000,x,"quiet",c,1,0
	@_quiet,"quiet",10000,6,1,0,0
LINE,5
asm,	di
LINE,6
=,@_flags,#1,@_flags
LINE,7
ASM,	ld a,(_flags)
ASM,	ld (0x40),a
LINE,8
asm,	nop
asm,	ei
END,quiet
},1
