prog SECTION CODE
 NOP
 $EJECT
 $TITLE "Not shown"
 NOP
 END
