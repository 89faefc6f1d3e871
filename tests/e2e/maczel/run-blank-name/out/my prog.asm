code    SECTION CODE
start:  NOP
        END
