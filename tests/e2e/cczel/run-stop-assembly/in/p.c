/* A step counter. */
unsigned char count;
void step(void)
{
  count = count + 1;
}
