prog SECTION CODE
count EQU 3
 LD A,count
 $INCLUDE "part.inc"
 LD A,count
 END
