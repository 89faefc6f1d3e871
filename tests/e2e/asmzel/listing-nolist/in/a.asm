prog SECTION CODE
 NOP
 $SAVE
 $NOLIST
 LD A,hidden ; not listed, its message is
 $SAVE
 $LIST
 NOP
 $RESTORE
 NOP
 $RESTORE
 NOP
 $RESTORE
 END
