; Blink, module 2 of 2: a busy-wait delay.
;
; delay waits `speed` (a byte of the main module) times 250 turns of an inner
; loop. It uses A, B and C.

        MODULE  timing
        EXTERN  SMALL speed
        PUBLIC  delay

INNER   EQU     250

code    SECTION CODE
delay:  LD      A, (speed)
        LD      B, A
outer:  LD      C, INNER
inner:  DEC     C
        JR      NZ, inner
        DEC     B
        JR      NZ, outer
        RET

        END
