#asm
 nop
#endasm
