/* Character constants with every simple escape, octal and hexadecimal escapes, in strings too. */
static const char simple[] = { '\a', '\b', '\f', '\n', '\r', '\t', '\v', '\\', '\'', '\"', '\?' };
static const int codes[] = { 7, 8, 12, 10, 13, 9, 11, 92, 39, 34, 63 };
static const char octal_escapes[] = { '\0', '\7', '\12', '\101', '\177' };
static const char hex_escapes[] = { '\x0', '\x41', '\x7f', '\x7E' };
static const char text[] = "tab\there\nquote\"apostrophe'backslash\\\101\x42 end";
static const char question[] = "what\?\?";

int count_escapes_match(void)
{
    unsigned int i;
    int matches = 0;
    for (i = 0; i < sizeof simple; i++)
        if (simple[i] == codes[i])
            matches++;
    return matches;
}

int main(void)
{
    int c = 'A';
    int zero = '0';
    return count_escapes_match() == 11 && octal_escapes[3] == 'A' && hex_escapes[1] == c
        && octal_escapes[4] == 127 && hex_escapes[3] == '~' && text[3] == '\t' && text[36] == 'A'
        && text[37] == 'B' && question[5] == '?' && zero == 48 && '\n' == 10 ? 0 : 1;
}
