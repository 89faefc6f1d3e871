	module	prog
	public	_twice


code	section code medium
;+++ 	void twice(void)
_twice:		;++0 0002
;+++ 	A += 1;
	add	a,1		;++1 0001
;+++ 	B = A;
	ld	b,a		;++1 0002
;+++ 	A += 1;
	add	a,1		;++1 0001
;+++ 	B = A;
	ld	b,a		;++1 0002
;+++ 	while (A != 0) {
__0000:		;++0 0006
	cmp	a,0
	j	eq,__0001
;+++ 	A--;
	dec	a			;++0 0007
	j	__0000	
__0001:
	end
