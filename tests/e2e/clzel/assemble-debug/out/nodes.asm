	file "nodes.c",0,0,0
	symbol_a "1.3b",54,415,2
	module	nodes
	symbol_t 69,Z,"",3,-1,"",-1,0
	symbol_b 3,nc,69,0
	symbol_n "table",69,6,0
	symbol_a "table",5,0,0
	symbol_n "report",1,6,0
	symbol_a "report",4,0,0
	extern 	medium _table,_report
	public	_first,_nodes,_names,_count

	public	_walk

	symbol_a "LIMIT",16,64,1
	symbol_a "3",16,64,2

vars	section data medium
;+++ 	struct node first;
	line "",5,0,0
	symbol_t 66,O,65,1
	symbol_t 65,xc,"node",3,2,"value",3,0,"next",66,0
	symbol_b 3,nc,65,0
	symbol_b 66,nc,65,0
	symbol_n "first",65,4,0
	symbol_a "first",8,0,0
_first		dsb	3
;+++ 	struct node *nodes[LIMIT];
	line "",6,0,0
	symbol_t 67,Z,"",66,1,"",3,0
	symbol_b 66,nc,67,0
	symbol_n "nodes",67,4,0
	symbol_a "nodes",8,0,0
_nodes		dsb	6
;+++ 	char *names[2];
	line "",7,0,0
	symbol_t 68,Z,"",34,1,"",2,0
	symbol_b 34,nc,68,0
	symbol_n "names",68,4,0
	symbol_a "names",8,0,0
_names		dsb	4
;+++ 	unsigned short count;
	line "",8,0,0
	symbol_n "count",5,4,0
	symbol_a "count",8,0,0
_count		dsb	2

code	section code medium
;+++ 	static unsigned char get(void)
	line "",12,0,0
	symbol_n "get",3,5,0
	symbol_a "get",3,0,0
	symbol_b "get",1,13,1
_get:
;+++ 	A = table[1];
	line "",14,0,0
	ld	hl,_table+1
	ld	a,(hl)
;+++ 	return A;
	line "",15,0,0
	ret
;+++ 	void walk(void)
	line "",17,0,0
	symbol_n "walk",1,4,0
	symbol_a "walk",8,0,0
	symbol_b "walk",1,18,1
_walk:
;+++ 	A = 0;
	line "",19,0,0
	ld	a,0
;+++ 	do {
	line "",20,0,0
__0000:
;+++ 	get();
	line "",21,0,0
	call	_get	
;+++ 	report();
	line "",22,0,0
	call	_report	
;+++ 	} while (A != 0);
	line "",23,0,0
__0001:
	cmp	a,0
	j	ne,__0000
__0002:
;+++ 	}
	line "",24,0,0
	ret
	end
