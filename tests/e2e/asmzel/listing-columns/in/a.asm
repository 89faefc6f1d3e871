; every column of a statement line
	; a tab stays as it was read
 EXTERN far
value EQU 0x1234
prog SECTION CODE
start:
 LD A,value:8
 CALL far
 JRS T,start
 DB "ABCDEFGHIJKLMNOPQRSTUVWXY"
 DFB 3, 1, 2
 DFW 100, 0x1234
 DW far
 DSB 4
 ORG 0x100
 ALIGN 8
 $INCLUDE "part.inc"
 LD A,missing
here EQU start
 END
