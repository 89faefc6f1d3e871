section area; int x;
@
