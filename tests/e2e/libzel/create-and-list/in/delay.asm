 PUBLIC delay, table
code SECTION CODE
delay: DEC A
 JR NZ,delay
 RET
rom SECTION ROMDATA
table DW delay, 0x1234
 END
