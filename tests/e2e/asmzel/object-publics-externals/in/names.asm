 EXTERN SMALL tiny
 EXTERN putc, unused, later
 PUBLIC entry, fixed, limit, beyond, span
limit EQU 0x1234
beyond EQU later+1
code SECTION CODE
entry: CALL putc
 LD A,(tiny)
span EQU $-entry
boot SECTION CODE ABS=0x200
fixed: RET
 END
