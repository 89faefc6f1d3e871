	module	sel
	public	_out

	public	_select,_main


vars	section data medium
;+++ 	unsigned char out;
_out		dsb	1

code	section code medium
;+++ 	void select(unsigned char A)
_select:		;++0 0005
;+++ 	switch (A) {
	ld	hl,__0005		;++0 0007
	ld	w,(hl+)
__0006:
	cmp	a,(hl+)
	j	t,__0007
	inc	hl
	inc	hl
	dec	w
	j	nz,__0006
__0007:
	j	(hl)
__0005	db	0x3
	db	0x1
	dw	__0001
	db	0x7
	dw	__0002
	db	0xff
	dw	__0003
	dw	__0004
;+++ 	case 1: out = 0x10; break;
__0001:		;++0 0008
	ld	hl,_out
	ld	(hl),16
	j	__0000	
;+++ 	case 7: out = 0x20; break;
__0002:		;++0 0009
	ld	hl,_out
	ld	(hl),32
	j	__0000	
;+++ 	case 255: out = 0x30; break;
__0003:		;++0 0010
	ld	hl,_out
	ld	(hl),48
	j	__0000	
;+++ 	default: out = 0;
__0004:		;++0 0011
	ld	hl,_out
	ld	(hl),0
__0000:		;++0 0007
;+++ 	}
	ret		;++0 0013
;+++ 	void main(void)
_main:		;++0 0014
;+++ 	A = 7;
	ld	a,7		;++0 0016
;+++ 	select(A);
	call	_select			;++0 0017
;+++ 	}
	ret		;++0 0018
	end
