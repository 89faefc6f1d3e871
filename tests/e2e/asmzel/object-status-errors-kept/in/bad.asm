code SECTION CODE
 LD A,nowhere
 NOP
 END
