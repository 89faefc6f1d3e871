/* The selector picks one of three values for out; any other value takes the default. */
section vars area near;
unsigned char out;
section code;
void select(unsigned char A)
{
  switch (A) {
  case 1: out = 0x10; break;
  case 7: out = 0x20; break;
  case 255: out = 0x30; break;
  default: out = 0;
  }
}
void main(void)
{
  A = 7;
  select(A);
}
