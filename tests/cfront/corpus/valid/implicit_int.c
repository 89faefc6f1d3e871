/* The implicit int of C89: declarations with only qualifiers, storage classes or sign words,
   and functions without a declared return type. */
static counter = 1;
const limit = 10;
unsigned mask = 0xFFu;
signed offset = -4;
short small = 3;
long big = 100000L;
static register_free();
extern implicitly_int_function(int);

twice(x)
{
    return x * 2;
}

implicitly_int_function(value)
int value;
{
    return value + counter;
}

static register_free()
{
    auto total = 0;
    register r = 2;
    total = r + limit;
    return total;
}

unsigned long wide(unsigned short s)
{
    return (unsigned long)s << 4;
}

main()
{
    return twice(small) == 6 && implicitly_int_function(4) == 5 && register_free() == 12
        && wide(2) == 32UL && mask == 255u && offset < 0 && big > 99999L ? 0 : 1;
}
