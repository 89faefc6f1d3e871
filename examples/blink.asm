; Blink an LED on port 0 with a software delay.
; Options for this module: a listing with cross-reference on the console.
-lx -lf con

PORT0   EQU     0x00
DELAY   EQU     200

code    SECTION CODE
start:  LD      A, 0x01
loop:   LD      (PORT0), A
        CALL    wait
        XOR     A, 0x01
        JR      loop

wait:   LD      B, DELAY
again:  DEC     B
        JR      NZ, again
        RET

        END
