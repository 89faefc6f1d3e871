/* Splitting a comma-separated record in place into fields, with quoted fields. */
#define MAX_FIELDS 8

int split_record(char *line, char *fields[], int max)
{
    int n = 0;
    char *out;
    while (*line && n < max) {
        if (*line == '"') {
            fields[n++] = out = ++line;
            while (*line && !(line[0] == '"' && line[1] != '"')) {
                if (*line == '"')
                    line++;
                *out++ = *line++;
            }
            if (*line == '"')
                line++;
            if (*line == ',')
                line++;
            *out = '\0';
        } else {
            fields[n++] = line;
            while (*line && *line != ',')
                line++;
            if (*line == ',')
                *line++ = '\0';
        }
    }
    return n;
}

static int equal(const char *a, const char *b)
{
    while (*a && *a == *b)
        ++a, ++b;
    return *a == *b;
}

int main(void)
{
    char line[] = "id,\"say \"\"hi\"\"\",42,,end";
    char *fields[MAX_FIELDS];
    int n = split_record(line, fields, MAX_FIELDS);
    return n == 5 && equal(fields[0], "id") && equal(fields[1], "say \"hi\"") && equal(fields[2], "42")
        && equal(fields[3], "") && equal(fields[4], "end") ? 0 : 1;
}
