	module	prog
	public	_x


area	section data medium
;+++ 	section area; int x;
_x		dsb	2
	end
