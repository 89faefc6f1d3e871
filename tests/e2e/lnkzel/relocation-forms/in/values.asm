; the externals of reloc.asm, with values chosen for hand computation
 PUBLIC v8, w16, bit, bank, vec, page, far
v8 EQU 0x12
w16 EQU 0x3456
bit EQU 3
bank EQU 5
vec EQU 0xFFC4
page EQU 0xFF10
farcode SECTION CODE
far: RET
 END
