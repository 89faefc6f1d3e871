int a;

void f(void)
{
  __asm(L"nop");
  __asm(a);
  __asm "nop";
  a = 2;
}
