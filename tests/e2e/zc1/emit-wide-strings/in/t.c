int greeting[] = L"Hi\x1234";
unsigned int exact[2] = L"ab";
struct label { int code; int text[4]; } tag = { 7, L"ok" };
int *pointer = L"xyz";
int roomy[6] = L"q";
void f(void)
{
    int local[3] = L"zz";
}
