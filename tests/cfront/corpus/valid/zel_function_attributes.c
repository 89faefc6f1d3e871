/* Calling conventions and an interrupt handler written with the target's keywords, behind a
   guard so that other compilers see plain functions. */
#ifdef __ZEL__
#define ADECL __adecl
#define CDECL __cdecl
#define INTERRUPT __interrupt
#else
#define ADECL
#define CDECL
#define INTERRUPT
#endif

static volatile unsigned int ticks;
static volatile unsigned char pending;

int ADECL add_fast(int a, int b);
int CDECL add_slow(int a, int b);
void INTERRUPT timer_tick(void);

int ADECL add_fast(int a, int b)
{
    return a + b;
}

int CDECL add_slow(int a, int b)
{
    int sum = a;
    while (b-- > 0)
        sum++;
    return sum;
}

void INTERRUPT timer_tick(void)
{
    ticks++;
    if ((ticks & 0x0F) == 0)
        pending = 1;
}

int main(void)
{
    int (*adder)(int, int) = add_slow;
    ticks = 15;
    pending = 0;
    return adder(2, 3) == add_fast(2, 3) && pending == 0 ? 0 : 1;
}
