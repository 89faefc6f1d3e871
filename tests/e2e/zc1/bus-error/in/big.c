#define A xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx
#define B A A A A A A A A A A
#define C B B B B B B B B B B
#define D C C C C C C C C C C
D
D
D
D
D
D
D
D
D
D
D
D
D
D
D
D
D
D
D
D
