/* Explicit conversions between integer, floating and pointer types; sizeof of types and expressions. */
struct record { char tag; int value; long total; };

unsigned int widths[] = {
    sizeof(char), sizeof(short), sizeof(int), sizeof(long),
    sizeof(float), sizeof(double), sizeof(long double),
    sizeof(struct record), sizeof(struct record *), sizeof(void *)
};

int truncate_to_byte(int v)
{
    return (unsigned char)v;
}

long round_half_up(double d)
{
    return (long)(d + 0.5);
}

int main(void)
{
    struct record r, *rp = &r;
    char buffer[24];
    int n;
    double ratio;
    unsigned int s1 = sizeof r, s2 = sizeof(r), s3 = sizeof rp->value, s4 = sizeof buffer / sizeof buffer[0];
    unsigned int s5 = sizeof(int[10]), s6 = sizeof((char)1), s7 = sizeof &buffer, s8 = sizeof "abc";
    n = (int)(long)(unsigned char)300;
    ratio = (double)3 / (double)4;
    r.value = (int)ratio;
    r.tag = (char)'A';
    r.total = (long)(short)-2 * (long)(unsigned short)40000u;
    *(char *)(void *)buffer = (char)round_half_up(64.6);
    return n == 44 && ratio == 0.75 && r.value == 0 && s1 == s2 && s3 == sizeof(int) && s4 == 24
        && s5 == 10 * sizeof(int) && s6 == 1 && s7 == sizeof(char (*)[24]) && s8 == 4
        && buffer[0] == 'A' + 0 && truncate_to_byte(0x1FF) == 255 && widths[0] == 1 ? 0 : 1;
}
