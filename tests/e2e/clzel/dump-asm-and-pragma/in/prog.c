#define ADDR 0x100
before
#asm
	ld	a,(hl)	; #define X
#include "not-read.h"
   #   endasm  trailing text
after
#pragma section code abs ADDR
#pragma once
#elif 1
x # define Y
#endasm
