/* Direct use of the processor's register variables, guarded for other compilers. */
static unsigned char saved_a;
static unsigned int saved_hl;

#ifdef __ZEL__
void save_registers(void)
{
    saved_a = __A;
    saved_hl = __HL;
}

void load_accumulator(unsigned char value)
{
    __A = value;
    __WA = (unsigned int)value << 8 | value;
}
#else
void save_registers(void)
{
    saved_a = 1;
    saved_hl = 2;
}

void load_accumulator(unsigned char value)
{
    saved_a = value;
}
#endif

int main(void)
{
    load_accumulator(0x5A);
    save_registers();
    return saved_a != 0 || saved_hl != 0 ? 0 : 1;
}
