/* A character-level state machine that removes C comments while keeping strings intact. */
enum strip_state { CODE, SLASH, COMMENT, STAR, STRING, STRING_ESCAPE, CHARACTER, CHARACTER_ESCAPE };

unsigned int strip_comments(const char *in, char *out)
{
    enum strip_state state = CODE;
    unsigned int n = 0;
    char c;
    while ((c = *in++) != '\0') {
        switch (state) {
        case CODE:
            if (c == '/') { state = SLASH; continue; }
            if (c == '"') state = STRING;
            else if (c == '\'') state = CHARACTER;
            out[n++] = c;
            break;
        case SLASH:
            if (c == '*') { state = COMMENT; out[n++] = ' '; continue; }
            out[n++] = '/';
            state = CODE;
            in--;
            break;
        case COMMENT:
            if (c == '*') state = STAR;
            break;
        case STAR:
            state = c == '/' ? CODE : c == '*' ? STAR : COMMENT;
            break;
        case STRING:
            if (c == '\\') state = STRING_ESCAPE;
            else if (c == '"') state = CODE;
            out[n++] = c;
            break;
        case CHARACTER:
            if (c == '\\') state = CHARACTER_ESCAPE;
            else if (c == '\'') state = CODE;
            out[n++] = c;
            break;
        case STRING_ESCAPE:
            state = STRING;
            out[n++] = c;
            break;
        case CHARACTER_ESCAPE:
            state = CHARACTER;
            out[n++] = c;
            break;
        }
    }
    if (state == SLASH)
        out[n++] = '/';
    out[n] = '\0';
    return n;
}

int main(void)
{
    char out[64];
    unsigned int n = strip_comments("a/*x*/b \"/*s*/\" '/' c/ **/d", out);
    return n == 23 && out[1] == ' ' && out[5] == '/' && out[15] == ' ' ? 0 : 1;
}
