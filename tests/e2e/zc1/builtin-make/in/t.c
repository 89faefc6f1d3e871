static int calls;
int twice(int x) { calls++; x = 2; return 0; }
#pragma opt 3
int pick(int a, int b) { { int y; y = a; } if (b) return b; return 0; }
