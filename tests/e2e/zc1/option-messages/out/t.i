#line 1 "t.c"
x
