 EXTERN delay, table
 PUBLIC start
code SECTION CODE
start: LD A,5
 CALL delay
 JR delay
 LD HL,table+1
 RET
 END
