; Hand-written in suffix style: 0FFH is hexadecimal only under -H.
        MODULE  wait
        PUBLIC  pause
code    SECTION CODE
pause:  LD      B, 0FFH
again:  DEC     B
        JR      NZ, again
        RET
        END
