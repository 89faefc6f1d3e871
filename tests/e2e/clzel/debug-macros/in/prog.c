#define TEXT "t"
#define EMPTY
#define TWICE(x) x x
#define MASK 0x0F
