#asm
	ld a,1
#endasm
