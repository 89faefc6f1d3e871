/* Run-length encoding and decoding of byte buffers, with escape for long runs. */
unsigned int rle_encode(const unsigned char *in, unsigned int n, unsigned char *out)
{
    unsigned int i = 0, o = 0, run;
    while (i < n) {
        run = 1;
        while (i + run < n && in[i + run] == in[i] && run < 255)
            run++;
        out[o++] = (unsigned char)run;
        out[o++] = in[i];
        i += run;
    }
    return o;
}

unsigned int rle_decode(const unsigned char *in, unsigned int n, unsigned char *out, unsigned int room)
{
    unsigned int i, o = 0, k;
    for (i = 0; i + 1 < n; i += 2)
        for (k = 0; k < in[i]; k++) {
            if (o == room)
                return o;
            out[o++] = in[i + 1];
        }
    return o;
}

int main(void)
{
    static const unsigned char text[] = "aaaabbbcddddddddde";
    unsigned char packed[64], unpacked[64];
    unsigned int n = sizeof text - 1, p, u, i;
    p = rle_encode(text, n, packed);
    u = rle_decode(packed, p, unpacked, sizeof unpacked);
    if (p != 10 || u != n)
        return 1;
    for (i = 0; i < n; i++)
        if (unpacked[i] != text[i])
            return 2;
    return 0;
}
