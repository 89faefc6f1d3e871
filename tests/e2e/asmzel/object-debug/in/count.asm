	file	"src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/src/count.c",0,0,0
	symbol_a "1.3b",54,415,2
	module	count
	symbol_n "putc",4,6,0
	symbol_a "putc",4,0,0
	extern	medium _putc
	public	_main, _total
	symbol_t 64,O,2,1
	symbol_t 65,Z,"",2,1,8,"",8,0
	symbol_t 66,xc,"pair",0,2,"lo",2,0,"hi",64,0
	symbol_n "total",5,4,0
	symbol_a "total",8,0,0
	symbol_n "main",4,4,0
LIMIT	equ	10

code	section code medium
	symbol_b "main",1,3,1
_main:
	line	"",4,0,0
	ld	wa,(_total)
	line	"",5,0,0
	call	_putc
again:	jr	again
	symbol_b "helper",1,9,1
_helper:
	line	"",10,0,0
	ret

data	section data medium
_total	dsw	1
	end
