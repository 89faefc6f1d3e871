/* Every kind of line of the assembly file, put through the assembler. */
section ports io abs 0x10;
unsigned char status;
extern __tiny unsigned char flags;

section work area tiny;
unsigned char count;
static unsigned char hidden;

section buffers data;
unsigned char line[40];

section rom const abs 0x1234;
const unsigned char ab[18] = {1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18};
const unsigned char abcdefghijk[17] = "0123456789abcdef";
const unsigned char abcdefghijklmnopqrstuv[17] = "0123456789abcdef";
const unsigned char abcdefghijklmnopqrstuvwxyz0123[17] = "0123456789abcdef";
const unsigned char abcdefghijklmnopqrstuvwxyz01234[17] = "0123456789abcdef";

section code;
extern void n1(void); extern void n2(void); extern void n3(void);
extern void n4(void); extern void n5(void); extern void n6(void);
extern void unused(void);
const unsigned char *where = &ab[0];
const entry firstHandler = n1;

void run(void)
{
  n1(); n2(); n3();
  A = flags;
  count = A;
#asm
	nop		; copied as written
#endasm
  n4(); n5(); n6();
  hidden = A;
  status = A;
}
