	module	prog
	public	_f


code0	section code medium
;+++ 	void f(void)
_f:		;++0 0002
	ld	hl,__0008		;++0 0004
	ld	w,(hl+)
__0009:
	cmp	a,(hl+)
	j	t,__000a
	inc	hl
	inc	hl
	dec	w
	j	nz,__0009
__000a:
	j	(hl)
__0008	db	0x2
	db	0x1
	dw	__0001
	db	0x2
	dw	__0007
	dw	__0000
;+++ 	case 1:
__0001:		;++0 0005
;+++ 	switch (B) {
	ld	a,b		;++0 0006
	ld	hl,__0004		;++0 0006
	ld	w,(hl+)
__0005:
	cmp	a,(hl+)
	j	t,__0006
	inc	hl
	inc	hl
	dec	w
	j	nz,__0005
__0006:
	j	(hl)
__0004	db	0x1
	db	0x3
	dw	__0003
	dw	__0002
;+++ 	case 3:
__0003:		;++0 0007
;+++ 	C = 1;
	ld	c,1		;++0 0008
;+++ 	break;
__0002:		;++0 0006
;+++ 	break;
	j	__0000			;++0 0011
;+++ 	case 2:
__0007:		;++0 0012
;+++ 	C = 2;
	ld	c,2		;++0 0013
__0000:		;++0 0004
	end
