section vars area near;
unsigned char speed;
section code;
void slow(void)
{
  speed = 0x40;
}
