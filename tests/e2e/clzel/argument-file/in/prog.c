int x;
@
