	file "typed.c",0,0,0
	symbol_a "1.3b",54,415,2
	module	typed
	symbol_n "flags",3,6,0
	symbol_a "flags",5,0,0
	symbol_n "report",1,6,0
	symbol_a "report",4,0,0
	extern 	small _flags
	extern 	medium _report
	public	_status

	public	_first

	public	_table,_tables

	public	_run

	symbol_a "LIMIT",16,64,1
	symbol_a "4",16,64,2
	symbol_a "EMPTY",16,65,1

ports	section data small
	line "",6,0,0
	symbol_n "status",3,4,0
	symbol_a "status",8,0,0
_status		dsb	1

work	section data small
	line "",10,0,0
	symbol_t 67,O,66,1
	symbol_t 66,xc,"node",3,2,"value",3,0,"next",67,0
	symbol_b 3,nc,66,0
	symbol_b 67,nc,66,0
	symbol_n "first",66,4,0
	symbol_a "first",8,0,0
_first		dsb	3
	line "",11,0,0
	symbol_n "cursor",35,5,0
	symbol_a "cursor",3,0,0
_cursor		dsb	2

rom	section romdata medium
	line "",13,0,0
	symbol_t 68,Z,"",3,1,"",4,0
	symbol_b 3,nc,68,0
	symbol_n "table",68,4,0
	symbol_a "table",8,0,0
_table		db	1,2,3,4
	line "",14,0,0
	symbol_t 69,Z,"",35,1,"",2,0
	symbol_b 35,nc,69,0
	symbol_n "tables",69,4,0
	symbol_a "tables",8,0,0
_tables			dw	_table
	dw	_table+2

code	section code medium
	line "",17,0,0
	symbol_n "step",1,5,0
	symbol_a "step",3,0,0
	symbol_b "step",1,18,1
_step:
	line "",19,0,0
	ld	a,(_flags)
	line "",20,0,0
	add	a,4
	line "",21,0,0
	ld	(_status),a
	line "",22,0,0
	ret
	line "",23,0,0
	symbol_n "run",1,4,0
	symbol_a "run",8,0,0
	symbol_b "run",1,24,1
_run:
	line "",25,0,0
	call	_step	
	line "",26,0,0
	call	_report	
	line "",27,0,0
	ret
	end
