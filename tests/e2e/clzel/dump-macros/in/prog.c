#define N 0x10
#define ADD(a, b) ((a) + (b))
#define PAIR(p, q) [p|q]
#define ID(x) x
#define CALL_ID ID
#define LONG 1 + \
    2   /* trailing comment */
ADD(N, CMDLINE) LONG
PAIR((1, 2), ",)") PAIR(',', x /* , */ y) PAIR( , )
ID(ID(ID(3))) CALL_ID(4) ID
ADD(1) ADD(1, 2, 3)
#define RA RB
#define RB RA
RA;
#define N 2
#define SELF SELF
#define BAD(a
#define DUP(a, a) a
#ifdef FLAG
flag_set
#endif
#undef N
N
ADD(1,
2);
