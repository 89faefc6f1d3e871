; Directive and section rules, one per line.
prog    SECTION CODE
        MODULE  late
vars    SECTION DATA LARGE
table   SECTION ROMDATA ALIGN=2
table   SECTION ROMDATA ALIGN=4
odd     SECTION CODE ALIGN=3
        $SAVE
        $SAVE
        $SAVE
        $SAVE
        $SAVE
        $SAVE
        $SAVE
        $SAVE
        $SAVE
        $EJECT
        END
        NOP
        DB 1
