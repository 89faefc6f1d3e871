/* Parsing command-line options from argc/argv: flags, values and positional arguments. */
struct options {
    int verbose;
    int level;
    const char *output;
    const char *inputs[4];
    int input_count;
};

static int parse_number(const char *s, int *out)
{
    int v = 0;
    if (!*s)
        return 0;
    for (; *s; s++) {
        if (*s < '0' || *s > '9')
            return 0;
        v = v * 10 + *s - '0';
    }
    *out = v;
    return 1;
}

int parse_options(int argc, char **argv, struct options *o)
{
    int i;
    o->verbose = 0;
    o->level = 1;
    o->output = "a.out";
    o->input_count = 0;
    for (i = 1; i < argc; i++) {
        char *a = argv[i];
        if (a[0] != '-' || a[1] == '\0') {
            if (o->input_count == 4)
                return 0;
            o->inputs[o->input_count++] = a;
            continue;
        }
        switch (a[1]) {
        case 'v':
            o->verbose++;
            break;
        case 'O':
            if (!parse_number(a + 2, &o->level))
                return 0;
            break;
        case 'o':
            if (a[2])
                o->output = a + 2;
            else if (i + 1 < argc)
                o->output = argv[++i];
            else
                return 0;
            break;
        default:
            return 0;
        }
    }
    return 1;
}

int main(int argc, char **argv)
{
    static char a0[] = "tool", a1[] = "-v", a2[] = "-O2", a3[] = "-o", a4[] = "out", a5[] = "x.c";
    char *args[7];
    struct options o;
    args[0] = a0; args[1] = a1; args[2] = a2; args[3] = a3; args[4] = a4; args[5] = a5; args[6] = 0;
    if (argc > 1 && !parse_options(argc, argv, &o))
        return 2;
    return parse_options(6, args, &o) && o.level == 2 && o.output == a4 && o.input_count == 1 && o.verbose ? 0 : 1;
}
