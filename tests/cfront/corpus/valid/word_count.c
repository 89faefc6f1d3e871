/* Counting lines, words and characters in a buffer, and the longest word. */
struct counts {
    unsigned int lines, words, characters, longest;
};

static int is_space(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

struct counts count_text(const char *text)
{
    struct counts c;
    int in_word = 0;
    unsigned int current = 0;
    c.lines = c.words = c.characters = c.longest = 0;
    for (; *text; text++) {
        c.characters++;
        if (*text == '\n')
            c.lines++;
        if (is_space(*text)) {
            if (in_word && current > c.longest)
                c.longest = current;
            in_word = 0;
        } else {
            if (!in_word) {
                c.words++;
                current = 0;
            }
            in_word = 1;
            current++;
        }
    }
    if (in_word && current > c.longest)
        c.longest = current;
    return c;
}

int main(void)
{
    struct counts c = count_text("the quick brown\nfox jumps over\tthe lazy dog\nextraordinarily");
    return c.lines == 2 && c.words == 10 && c.longest == 15 && c.characters == 59 ? 0 : 1;
}
