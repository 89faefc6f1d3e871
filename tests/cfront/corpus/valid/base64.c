/* Base64 encoding and decoding with a reverse lookup table built from the alphabet. */
static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
static signed char reverse[128];

void build_reverse(void)
{
    int i;
    for (i = 0; i < 128; i++)
        reverse[i] = -1;
    for (i = 0; i < 64; i++)
        reverse[(unsigned char)alphabet[i]] = (signed char)i;
}

unsigned int encode(const unsigned char *in, unsigned int n, char *out)
{
    unsigned int i, o = 0;
    unsigned long group;
    for (i = 0; i < n; i += 3) {
        group = (unsigned long)in[i] << 16;
        if (i + 1 < n) group |= (unsigned long)in[i + 1] << 8;
        if (i + 2 < n) group |= in[i + 2];
        out[o++] = alphabet[(group >> 18) & 63];
        out[o++] = alphabet[(group >> 12) & 63];
        out[o++] = i + 1 < n ? alphabet[(group >> 6) & 63] : '=';
        out[o++] = i + 2 < n ? alphabet[group & 63] : '=';
    }
    out[o] = '\0';
    return o;
}

int decode(const char *in, unsigned char *out)
{
    int n = 0, bits = 0, c;
    unsigned long buffer = 0;
    for (; *in && *in != '='; in++) {
        c = (unsigned char)*in < 128 ? reverse[(unsigned char)*in] : -1;
        if (c < 0)
            return -1;
        buffer = buffer << 6 | (unsigned long)c;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out[n++] = (unsigned char)(buffer >> bits);
        }
    }
    return n;
}

int main(void)
{
    static const unsigned char input[] = "Many hands make light work.";
    char text[64];
    unsigned char back[64];
    int n;
    build_reverse();
    encode(input, sizeof input - 1, text);
    n = decode(text, back);
    return n == (int)sizeof input - 1 && text[0] == 'T' && text[35] == 'u' && back[5] == 'h' ? 0 : 1;
}
