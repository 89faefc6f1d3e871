/* Debug information: macros, structures, pointers, arrays, externals, static functions. */
#define LIMIT 3
section vars area;
struct node { unsigned char value; struct node *next; };
struct node first;
struct node *nodes[LIMIT];
char *names[2];
unsigned short count;
extern unsigned char table[];
extern void report(void);
section code;
static unsigned char get(void)
{
  A = table[1];
  return A;
}
void walk(void)
{
  A = 0;
  do {
    get();
    report();
  } while (A != 0);
}
