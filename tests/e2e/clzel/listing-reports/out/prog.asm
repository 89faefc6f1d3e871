	module	prog
	extern 	medium _shared
	public	_count,_both

	public	_step


vars	section data small
;+++ 	unsigned char count;	/* a tab, then a comment long enough to be broken at the width of the page */
_count		dsb	1
;+++ 	struct pair both;
_both		dsb	2

code	section code medium
;+++ 	void step(void)
_step:		;++0 0009
;+++ 	A = count;
	ld	a,(_count)		;++0 0011
;+++ 	A += STEP;
	add	a,1		;++0 0012
;+++ 	count = A;
	ld	(_count),a		;++0 0013
;+++ 	A = shared;
	ld	hl,_shared		;++0 0014
	ld	a,(hl)
	end
