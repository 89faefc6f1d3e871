/* Debug lines under -g at source-comment level 1: the line directives, the numbered
   macros and types, and the names of each section type. */
#define LIMIT 4
#define EMPTY
section ports io;
unsigned char status;
extern __tiny unsigned char flags;
section work area tiny;
struct node { unsigned char value; struct node *next; };
struct node first;
static unsigned char *cursor;
section rom const;
const unsigned char table[LIMIT] = {1, 2, 3, 4};
const unsigned char *tables[2] = {&table[0], &table[2]};
section code;
extern void report(unsigned char A);
static void step(void)
{
  A = flags;
  A += LIMIT;
  status = A;
}
void run(void)
{
  step();
  report(A);
}
