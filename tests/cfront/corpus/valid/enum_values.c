/* Enumerations with explicit, implicit, negative and repeated values, used as constants. */
enum color { RED, GREEN = 5, BLUE, ALPHA = GREEN + BLUE, BLACK = -1, WHITE = 0x7FFF };
enum { FLAG_A = 1 << 0, FLAG_B = 1 << 1, FLAG_C = 1 << 2, FLAG_ALL = FLAG_A | FLAG_B | FLAG_C };
enum level { LOW = 'l', MID = 'm', HIGH = 'h', SAME_AS_LOW = LOW };
typedef enum { NORTH, EAST, SOUTH, WEST, DIRECTIONS } direction;

static const char names[DIRECTIONS][6] = { "north", "east", "south", "west" };
static int weights[ALPHA];

direction turn_right(direction d)
{
    return (direction)((d + 1) % DIRECTIONS);
}

int describe(enum color c)
{
    switch (c) {
    case RED: return 1;
    case GREEN: return 2;
    case BLUE: return 3;
    case ALPHA: return 4;
    case BLACK: return 5;
    case WHITE: return 6;
    }
    return 0;
}

int main(void)
{
    enum level l = SAME_AS_LOW;
    direction d = WEST;
    int flags = FLAG_A | FLAG_C;
    weights[ALPHA - 1] = BLUE;
    d = turn_right(d);
    return d == NORTH && names[d][0] == 'n' && l == LOW && (flags & FLAG_B) == 0
        && FLAG_ALL == 7 && describe(ALPHA) == 4 && weights[10] == 6 && sizeof weights == 11 * sizeof(int) ? 0 : 1;
}
