	module	tables
	extern 	small _status
	extern 	medium _idle,_run,__switch
	public	_mode

	public	_pick,_start


ports	section data small

vars	section data small
_mode		dsb	1

code	section code medium
_pick:		;++0 0010
	call	__switch		;++0 0012
__0003	db	0x2
	db	0x3
	dw	__0001
	db	0x9
	dw	__0002
	dw	__0000
__0001:		;++0 0013
	ld	(_mode),1
	j	__0000	
__0002:		;++0 0014
	ld	(_mode),2
	j	__0000	
__0000:		;++0 0012
	shlc	a			;++0 0016
	j	(pc+a)
	dw	__0005
	dw	__0006
__0005:		;++0 0017
	ld	b,1
	j	__0004	
__0006:		;++0 0018
	ld	b,2
	j	__0004	
__0004:		;++0 0016
	shlc	a			;++0 0020
	add	a,2
	call	(pc+a)
	jr	__0007
	dw	_idle
	dw	_run
__0007:
	ret		;++0 0021

boot	section code abs = 0x8000
_start:		;++0 0023
	ld	a,(_status)		;++0 0025
	call	_pick			;++0 0026
	ret		;++0 0027
	end
