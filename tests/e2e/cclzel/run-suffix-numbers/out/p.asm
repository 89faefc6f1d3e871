	module	p
	public	_speed

	public	_slow


vars	section data medium
;+++ 	unsigned char speed;
_speed		dsb	1

code	section code medium
;+++ 	void slow(void)
_slow:		;++0 0004
;+++ 	speed = 0x40;
	ld	hl,_speed		;++0 0006
	ld	(hl),64
	end
