	module	formats
	extern 	small _flags
	extern 	medium _n1,_n2,_n3,_n4,_n5
	extern 	medium _n6
	public	_status

	public	_count

	public	_line

	public	_ab,_abcdefghijk,_abcdefghijklmnopqrstuv,_abcdefghijklmnopqrstuvwxyz0123,_abcdefghijklmnopqrstuvwxyz01234

	public	_where,_firstHandler,_run


ports	section data abs = 0x10
;+++ 	unsigned char status;
_status		dsb	1

work	section data small
;+++ 	unsigned char count;
_count		dsb	1
;+++ 	static unsigned char hidden;
_hidden		dsb	1

buffers	section data medium
;+++ 	unsigned char line[40];
_line		dsb	40

rom	section romdata abs = 0x1234
;+++ 	const unsigned char ab[18] = {1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18};
_ab		db	1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16
		db	17,18
;+++ 	const unsigned char abcdefghijk[17] = "0123456789abcdef";
_abcdefghijk	db	48,49,50,51,52,53,54,55,56,57,97,98,99,100,101,102
			db	0
;+++ 	const unsigned char abcdefghijklmnopqrstuv[17] = "0123456789abcdef";
_abcdefghijklmnopqrstuv	db	48,49,50,51,52,53,54,55,56,57,97,98,99,100,101,102
			db	0
;+++ 	const unsigned char abcdefghijklmnopqrstuvwxyz0123[17] = "0123456789abcdef";
_abcdefghijklmnopqrstuvwxyz0123	db	48,49,50,51,52,53,54,55,56,57,97,98,99,100,101,102
				db	0
;+++ 	const unsigned char abcdefghijklmnopqrstuvwxyz01234[17] = "0123456789abcdef";
_abcdefghijklmnopqrstuvwxyz01234	db	48,49,50,51,52,53,54,55,56,57,97,98,99,100,101,102
					db	0

code	section code medium
;+++ 	const unsigned char *where = &ab[0];
_where			dw	_ab
;+++ 	const entry firstHandler = n1;
_firstHandler		dw	_n1
;+++ 	void run(void)
_run:		;++0 0027
;+++ 	n1(); n2(); n3();
	call	_n1			;++0 0029
	call	_n2	
	call	_n3	
;+++ 	A = flags;
	ld	a,(_flags)		;++0 0030
;+++ 	count = A;
	ld	(_count),a		;++0 0031
	nop		; copied as written
;+++ 	n4(); n5(); n6();
	call	_n4			;++0 0035
	call	_n5	
	call	_n6	
;+++ 	hidden = A;
	ld	(_hidden),a		;++0 0036
;+++ 	status = A;
	ld	(_status),a		;++0 0037
;+++ 	}
	ret		;++0 0038
	end
