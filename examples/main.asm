; Blink, module 1 of 2: the main program.
;
; Steps the LEDs on port 0 through a table of patterns. The low two bits of each
; pattern choose an action from a jump table, which sets how long the step lasts;
; the wait itself is the routine `delay` of delay.asm. The timer interrupt counts
; ticks in a byte of the 8-bit addressed data area.

        MODULE  blink
        EXTERN  delay
        PUBLIC  speed, ticks

PORT0   EQU     0x00
LAST    EQU     0xFF            ; marks the end of the pattern table

code    SECTION CODE
reset:  LD      SP, 0x0200
        LD      A, 4
        LD      (speed), A
        EI
main:   LD      HL, patterns
next:   LD      A, (HL+)        ; the next pattern
        CMP     A, LAST
        JR      Z, main         ; start the table again
        LD      (PORT0), A
        AND     A, 0x03         ; action number 0..3
        LD      C, A
        ADD     C, A            ; two bytes per jump table entry
        PUSH    HL
        LD      HL, actions
        CALL    (HL+C)          ; through the jump table
        POP     HL
        CALL    delay           ; in delay.asm
        JR      next

steady: RET
faster: LD      A, 2
        LD      (speed), A
        RET
slower: LD      A, 8
        LD      (speed), A
        RET

tick:   INC     (ticks)         ; timer interrupt
        RETI

rom     SECTION ROMDATA
patterns DB     0x01, 0x02, 0x04, 0x08, 0x10, 0x21, 0x42, 0x83, LAST
actions DW      steady, faster, slower, steady

vars    SECTION DATA SMALL
speed   DSB     1               ; outer delay loops per step
ticks   DSB     1

; Interrupt vectors at the top of memory: the timer interrupt, then reset.
vectors SECTION ROMDATA ABS=0xFFFC
        DW      tick, reset

        END
