section code;
void f(void)
{
  A = 1;
}
