section vars area tiny;
unsigned char ticks;
section code;
void wait(unsigned char B)
{
  while (B != 0)
    B--;
}
void main(void)
{
  for (;;) {
    wait(100);
    ticks += 1;
  }
}
