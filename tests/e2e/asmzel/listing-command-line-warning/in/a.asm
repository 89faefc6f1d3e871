-ls -g -g
prog SECTION CODE
 NOP
 END
