	module	p
	public	_count

	public	_reset


vars	section data medium
;+++ 	unsigned char count;
_count		dsb	1

code	section code medium
;+++ 	void reset(void)
_reset:		;++0 0004
;+++ 	count = 0;
	ld	hl,_count		;++0 0006
	ld	(hl),0
	end
