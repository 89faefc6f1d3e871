prog SECTION CODE
 $TITLE "A title much longer than fourteen characters"
 NOP
 DB "ABCDEFGHIJKLMNOPQRSTUVWXY" ; bytes and a long comment folded beside them
 NOP ; this comment runs past the width of seventy-two and is folded
 END
