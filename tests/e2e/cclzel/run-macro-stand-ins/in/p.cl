section vars area near;
unsigned char level;
section code;
void raise(void)
{
  level = 9;
}
