-e e1.txt -lw100 -g
prog SECTION CODE
 NOP
 END
