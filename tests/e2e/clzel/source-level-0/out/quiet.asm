	module	quiet
	public	_ticks

	public	_wait,_main


vars	section data small
_ticks		dsb	1

code	section code medium
_wait:
__0000:
	cmp	b,0
	j	eq,__0001
	dec	b	
	j	__0000	
__0001:
	ret
_main:
__0003:
	ld	b,100
	call	_wait	
	add	(_ticks),1
__0002:
	j	__0003	
__0004:
	ret
	end
