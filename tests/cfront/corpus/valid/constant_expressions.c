/* Integer constant expressions in array sizes, case labels, enumerators and bit-field widths. */
#define KB 1024
#define WORDS (KB / sizeof(int))
#define BITS_PER_BYTE 8

enum sizes {
    SMALL = 4,
    MEDIUM = SMALL * 4,
    LARGE = MEDIUM << 2,
    MASK = ~0 & 0xFF,
    PICKED = (LARGE > 100) ? LARGE : MEDIUM,
    NEGATED = -(SMALL + 1),
    LOGIC = (1 && 0) || !0,
    CHAR_BASED = 'z' - 'a' + 1
};

static char buffer[KB / 4];
static int words[WORDS / 16];
static long matrix[SMALL][MEDIUM / SMALL + 1];
static char by_cast[(int)sizeof(long) * 2 + (unsigned char)3];
static int by_sizeof[sizeof buffer / 32];

struct flags {
    unsigned int kind : BITS_PER_BYTE / 2;
    unsigned int level : (SMALL > 2 ? 3 : 2);
    unsigned int rest : 16 - BITS_PER_BYTE / 2 - 3;
};

int kind_of(int code)
{
    switch (code) {
    case SMALL: return 1;
    case MEDIUM + 1: return 2;
    case LARGE - 1: return 3;
    case 'A' + 2: return 4;
    case 1 << 10: return 5;
    case (3 * 7) % 5 + 100: return 6;
    case -1 - 1: return 7;
    case 0x10 | 0x01 | 0x100: return 8;
    }
    return 0;
}

int main(void)
{
    struct flags f;
    f.kind = 15;
    f.level = 7;
    f.rest = 511;
    return sizeof buffer == 256 && sizeof matrix == 20 * sizeof(long) && sizeof by_cast == 2 * sizeof(long) + 3
        && sizeof by_sizeof == 8 * sizeof(int) && MASK == 255 && PICKED == 16 && LOGIC == 1 && CHAR_BASED == 26
        && kind_of(17) == 2 && kind_of(101) == 6 && kind_of(-2) == 7 && kind_of(273) == 8 && f.rest == 511
        && words[0] == 0 && NEGATED == -5 ? 0 : 1;
}
