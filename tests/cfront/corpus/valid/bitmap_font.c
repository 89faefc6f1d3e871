/* Rendering text from an 8x8 bitmap font into a small frame buffer. */
static const unsigned char font[][8] = {
    { 0x18, 0x24, 0x42, 0x7E, 0x42, 0x42, 0x42, 0x00 },
    { 0x7C, 0x42, 0x42, 0x7C, 0x42, 0x42, 0x7C, 0x00 },
    { 0x3C, 0x42, 0x40, 0x40, 0x40, 0x42, 0x3C, 0x00 },
    { 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00 }
};

#define WIDTH 32
#define HEIGHT 8

static unsigned char frame[HEIGHT][WIDTH / 8];

static const unsigned char *glyph(char c)
{
    if (c >= 'A' && c <= 'C')
        return font[c - 'A'];
    return font[3];
}

void draw_text(const char *text)
{
    int column = 0, row;
    for (; *text && column < WIDTH / 8; text++, column++) {
        const unsigned char *g = glyph(*text);
        for (row = 0; row < HEIGHT; row++)
            frame[row][column] = g[row];
    }
}

unsigned int lit_pixels(void)
{
    unsigned int count = 0;
    int row, column;
    unsigned char bits;
    for (row = 0; row < HEIGHT; row++)
        for (column = 0; column < WIDTH / 8; column++)
            for (bits = frame[row][column]; bits; bits >>= 1)
                count += bits & 1;
    return count;
}

int main(void)
{
    draw_text("AB C");
    return lit_pixels() == 18 + 23 + 15 && frame[3][0] == 0x7E ? 0 : 1;
}
