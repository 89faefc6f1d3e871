/* Parsing "key = value" settings with sections and comments from a text buffer. */
#define MAX_SETTINGS 8
#define TEXT_MAX 16

struct setting {
    char section[TEXT_MAX];
    char key[TEXT_MAX];
    char value[TEXT_MAX];
};

static struct setting settings[MAX_SETTINGS];
static int setting_count;

static const char *copy_until(char *to, const char *from, char stop)
{
    int n = 0;
    while (*from == ' ')
        from++;
    while (*from && *from != stop && *from != '\n') {
        if (n < TEXT_MAX - 1)
            to[n++] = *from;
        from++;
    }
    while (n > 0 && to[n - 1] == ' ')
        n--;
    to[n] = '\0';
    return from;
}

int parse_settings(const char *text)
{
    char section[TEXT_MAX];
    struct setting *s;
    section[0] = '\0';
    while (*text) {
        while (*text == ' ' || *text == '\n')
            text++;
        if (*text == ';' || *text == '#') {
            while (*text && *text != '\n')
                text++;
        } else if (*text == '[') {
            text = copy_until(section, text + 1, ']');
            if (*text == ']')
                text++;
        } else if (*text) {
            if (setting_count == MAX_SETTINGS)
                return -1;
            s = &settings[setting_count];
            copy_until(s->section, section, '\0');
            text = copy_until(s->key, text, '=');
            if (*text != '=')
                return -2;
            text = copy_until(s->value, text + 1, '\n');
            setting_count++;
        }
    }
    return setting_count;
}

int main(void)
{
    static const char config[] =
        "; sample\n"
        "[serial]\n"
        "baud = 9600\n"
        "parity=none\n"
        "\n"
        "[display]\n"
        "# comment\n"
        "contrast = 7 \n";
    return parse_settings(config) == 3 && settings[2].value[0] == '7' && settings[2].value[1] == '\0'
        && settings[1].section[0] == 's' && settings[1].key[6] == '\0' ? 0 : 1;
}
