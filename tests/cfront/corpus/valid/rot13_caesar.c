/* Caesar and ROT13 ciphers applied in place, and a frequency analysis that cracks a shift. */
static char shift_letter(char c, int shift)
{
    if (c >= 'a' && c <= 'z')
        return (char)('a' + (c - 'a' + shift) % 26);
    if (c >= 'A' && c <= 'Z')
        return (char)('A' + (c - 'A' + shift) % 26);
    return c;
}

void caesar(char *s, int shift)
{
    shift %= 26;
    if (shift < 0)
        shift += 26;
    for (; *s; s++)
        *s = shift_letter(*s, shift);
}

void rot13(char *s) { caesar(s, 13); }

int guess_shift(const char *s)
{
    unsigned int counts[26] = { 0 };
    int best = 0, i;
    for (; *s; s++)
        if (*s >= 'a' && *s <= 'z')
            counts[*s - 'a']++;
    for (i = 1; i < 26; i++)
        if (counts[i] > counts[best])
            best = i;
    return (best - ('e' - 'a') + 26) % 26;
}

int main(void)
{
    char text[] = "meet me here at eleven, the deeds need seeing";
    char copy[sizeof text];
    unsigned int i;
    for (i = 0; i < sizeof text; i++)
        copy[i] = text[i];
    caesar(copy, 7);
    if (guess_shift(copy) != 7)
        return 1;
    caesar(copy, -7);
    rot13(text);
    rot13(text);
    for (i = 0; i < sizeof text; i++)
        if (copy[i] != text[i])
            return 2;
    return 0;
}
