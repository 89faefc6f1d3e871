/* Packed status registers described with bit fields, including unnamed padding fields. */
struct status {
    unsigned int ready : 1;
    unsigned int error : 1;
    unsigned int : 2;
    unsigned int mode : 3;
    signed int offset : 5;
    unsigned int : 0;
    unsigned int count : 16;
    int plain : 4;
};

struct packed_date {
    unsigned day : 5;
    unsigned month : 4;
    unsigned year : 7;
};

#define MODE_BITS 3
struct wide {
    unsigned int low : MODE_BITS * 2;
    unsigned int high : 16 - MODE_BITS * 2;
};

static unsigned int encode(struct packed_date d)
{
    return (unsigned int)d.day | (unsigned int)d.month << 5 | (unsigned int)d.year << 9;
}

static struct packed_date decode(unsigned int word)
{
    struct packed_date d;
    d.day = word & 0x1F;
    d.month = (word >> 5) & 0xF;
    d.year = (word >> 9) & 0x7F;
    return d;
}

int main(void)
{
    struct status s = { 1, 0, 5, -3 };
    struct packed_date d, back;
    struct wide w;
    d.day = 31;
    d.month = 12;
    d.year = 99;
    back = decode(encode(d));
    w.low = 63;
    w.high = 1023;
    s.count = 65535u;
    s.plain = -8;
    s.offset += 2;
    return back.day == 31 && back.month == 12 && back.year == 99 && s.mode == 5 && s.offset == -1
        && w.low + w.high == 1086 && s.count == 65535u && s.ready && !s.error ? 0 : 1;
}
