/* Memory-size keywords on data and pointers, used only where the target compiler sees them. */
#ifdef __ZEL__
#define TINY __tiny
#define NEAR __near
#define COMPACT __compact
#else
#define TINY
#define NEAR
#define COMPACT
#endif

static unsigned char TINY fast_counter;
static unsigned char TINY scratch[16];
static int NEAR table[64];
static const char NEAR *NEAR cursor;
static char COMPACT *long_reach;

int fill_table(int base)
{
    int NEAR *p;
    int i;
    for (p = table, i = 0; i < 64; i++)
        *p++ = base + i;
    fast_counter++;
    return table[63];
}

unsigned int scratch_sum(void)
{
    unsigned int s = 0, i;
    for (i = 0; i < sizeof scratch; i++)
        s += scratch[i];
    return s;
}

int main(void)
{
    static const char text[] = "near text";
    cursor = text;
    long_reach = 0;
    scratch[3] = 7;
    return fill_table(1) == 64 && scratch_sum() == 7 && *cursor == 'n' && fast_counter == 1 && long_reach == 0 ? 0 : 1;
}
