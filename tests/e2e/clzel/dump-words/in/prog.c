A W C B E D L H WA BC DE HL PCW DEW HLW PC PSW RBS SP
T F Z EQ NZ NE CS LT CC GE LE GT NON
RETI SWI NOP EI DI RETN return goto continue break
XCH ROLD RORD ADDC SUBB CMP DAA DAS MCMP ROLC RORC SWAP PUSH POP CLR CPL TEST J CALLV CALLP CALLD CALL
extern static auto register typedef void char short int long double enum float volatile const entry
signed unsigned io area data code struct union __tiny __near __far tiny near far eseg dseg cseg abs rel
section if else while for do case default sizeof switch depend
hl Return unsignedx name_1 _x
! ~ ++ -- * / % + - << >> < <= > >= == != & ^ | && || ? : = += -= &= |= ^= <<= >>= . -> ( ) [ ] { } , ;
*--HL *HL++ A.3 x->y
