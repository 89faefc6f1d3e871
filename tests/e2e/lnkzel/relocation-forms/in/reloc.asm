; each field the linker completes
 EXTERN SMALL v8, bit, bank
 EXTERN vec, page, w16, far
code SECTION CODE
start: LD A,v8              ; ordinary 8-bit field
 LD HL,w16                  ; ordinary 16-bit field
 LD A,(HL+v8)               ; displacement after a prefix
 SET (0x20).bit             ; bit number added to 40
 CLR (v8).bit               ; both fields of one instruction
 LD RBS,bank                ; held to 0..15
 CALLV vec                  ; vector from the call table address
 CALLP page                 ; page offset
 JR far                     ; far - P - 1: the field is at instruction + 1
 JR NZ,other                ; a target in another section
 JRS T,far                  ; far - P - 2, held to -16..15, merged into 80
 JRS F,other                ; the same into A0
 J other                    ; a J that leaves its section is a JP
 JR start                   ; in reach: no relocation
rom SECTION ROMDATA
other DB v8, w16 & 0xFF, -far
 DW w16+2, start, other-start, far-start, SIZEOF code, STARTOF rom
 DP far
 DL w16 * 3
 END
