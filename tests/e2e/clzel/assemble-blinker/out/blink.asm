	module	blink
	public	_port0

	public	_ticks,_step

	public	_pattern,_timerVector,_resetVector

	public	_tick,_show,_main


ports	section data abs = 0x0
;+++ 	unsigned char port0;
_port0		dsb	1

vars	section data small
;+++ 	unsigned char ticks;
_ticks		dsb	1
;+++ 	unsigned char step;
_step		dsb	1

patterns	section romdata medium
;+++ 	const unsigned char pattern[STEPS] = { 0x01, 0x02, 0x04, 0x08 };
_pattern	db	1,2,4,8

code	section code medium
;+++ 	void tick(void)
_tick:		;++0 0016
;+++ 	PUSH(WA);
	push	wa			;++0 0018
;+++ 	ticks += 1;
	add	(_ticks),1		;++0 0019
;+++ 	POP(WA);
	pop	wa			;++0 0020
;+++ 	RETI;
	reti		;++0 0021
;+++ 	void show(unsigned char A)
_show:		;++0 0024
;+++ 	switch (A) {
	ld	hl,__0005		;++0 0026
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
	db	0x0
	dw	__0001
	db	0x1
	dw	__0002
	db	0x2
	dw	__0003
	dw	__0004
;+++ 	case 0: port0 = 0x01; break;
__0001:		;++0 0027
	ld	(_port0),1
	j	__0000	
;+++ 	case 1: port0 = 0x02; break;
__0002:		;++0 0028
	ld	(_port0),2
	j	__0000	
;+++ 	case 2: port0 = 0x04; break;
__0003:		;++0 0029
	ld	(_port0),4
	j	__0000	
;+++ 	default: port0 = 0x08;
__0004:		;++0 0030
	ld	(_port0),8
__0000:		;++0 0026
;+++ 	void main(void)
_main:		;++0 0034
;+++ 	DI;
	di		;++0 0036
;+++ 	SP = 0x00FF;
	ld	sp,255		;++0 0037
;+++ 	step = 0;
	ld	(_step),0		;++0 0038
;+++ 	EI;
	ei		;++0 0039
__0009:
;+++ 	A = step;
	ld	a,(_step)		;++0 0041
;+++ 	show(A);
	call	_show			;++0 0042
;+++ 	A = step;
	ld	a,(_step)		;++0 0043
;+++ 	A += 1;
	add	a,1		;++0 0044
;+++ 	A &= STEPS - 1;
	and	a,3		;++0 0045
;+++ 	step = A;
	ld	(_step),a		;++0 0046
;+++ 	for (;;) {
__0008:		;++0 0040
	j	__0009			;++0 0046
__000a:

vectors	section romdata abs = 0xfff0
;+++ 	const entry timerVector = tick;
_timerVector		dw	_tick
;+++ 	const entry resetVector = main;
_resetVector		dw	_main
	end
