section vars area near;
unsigned char count;
section code;
void reset(void)
{
  count = 0;
}
