        EXTERN  missing
code    SECTION CODE
start:  CALL    missing
        END
