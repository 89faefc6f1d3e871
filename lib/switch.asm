; __switch: the case search of a switch statement, for code compiled with -O s.
;
; Called as "call __switch" with the selector in A. The case table follows the call, so the
; return address is the table:
;       db  n                   number of cases, 0..255
;       db  value               n entries of a value byte and a label word
;       dw  label
;       dw  default             the default label, or the end of the switch without one
; Jumps through the label of the first entry whose value equals A, else through the default
; word; it does not return. Uses W and HL; the return address is taken off the stack.
; The search is the one compiled inline without -O s, except that a table without cases
; goes straight to the default.

        MODULE  lzel_switch
        PUBLIC  __switch

code    SECTION CODE
__switch:
        POP     HL              ; HL = the table
        LD      W, (HL+)        ; W = number of cases, HL = the first entry
        CMP     W, 0
        J       Z, found        ; no cases: HL is at the default word
search: CMP     A, (HL+)
        J       T, found        ; equal: HL is at this entry's label word
        INC     HL
        INC     HL
        DEC     W
        J       NZ, search
found:  J       (HL)            ; HL is at the default word after the last entry

        END
