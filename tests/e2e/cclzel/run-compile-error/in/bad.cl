section code;
void f(void)
{
  undefined_name = 1;
}
