/* a clean source */
#define N 1
#asm
	nop
#endasm
section area; int x;
