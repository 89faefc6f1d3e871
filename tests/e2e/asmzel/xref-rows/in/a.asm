; rows of the cross-reference listing
 MODULE demo
 EXTERN far, unused
 EXTERN SMALL near
 PUBLIC entry, nowhere
limit EQU 0x7F
code SECTION CODE
entry:
 LD A,limit
 LD A,limit
 CALL far
 LD A,(near)
a_name_of_twenty_chr: NOP
 JRS T,a_name_of_twenty_chr
 JRS T,a_name_of_twenty_chr
 JRS T,a_name_of_twenty_chr
 JRS T,a_name_of_twenty_chr
 JRS T,a_name_of_twenty_chr
 JRS T,a_name_of_twenty_chr
 JRS T,a_name_of_twenty_chr
ABC: NOP
abc: NOP
 DW $
offset EQU abc+2
beyond EQU far+1
vars SECTION DATA SMALL
 DSB 2
table SECTION ROMDATA
 DB 1
fixed SECTION CODE ABS=0x1000
boot: JRS T,boot
 END
