	module	p
	public	_level

	public	_raise


vars	section data medium
;+++ 	unsigned char level;
_level		dsb	1

code	section code medium
;+++ 	void raise(void)
_raise:		;++0 0004
;+++ 	level = 9;
	ld	hl,_level		;++0 0006
	ld	(hl),9
	end
