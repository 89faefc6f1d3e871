/* Jump tables and externals: switch through the library routine (-Os), depend, a table
   call, tiny and near externals, an absolute code section. */
section ports io;
extern __tiny unsigned char status;
section vars area tiny;
unsigned char mode;
section code;
extern void idle(void);
extern void run(void);
void pick(unsigned char A)
{
  switch (A) {
  case 3: mode = 1; break;
  case 9: mode = 2; break;
  }
  depend (A) {
  case 0: B = 1; break;
  case 1: B = 2; break;
  }
  CALL[idle, run](A);
}
section boot code abs 0x8000;
void start(void)
{
  A = status;
  pick(A);
}
