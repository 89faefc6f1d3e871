section code0 code;
void f(void)
{
  switch (A) {
  case 1:
    switch (B) {
    case 3:
      C = 1;
      break;
    }
    break;
  case 2:
    C = 2;
  }
}
