/* Switch statements with fall-through, default in the middle, nested switches and Duff's device. */
int classify(int c)
{
    int score = 0;
    switch (c) {
    case 'a': case 'e': case 'i': case 'o': case 'u':
        score += 10;
        /* fall through */
    case 'y':
        score += 1;
        break;
    default:
        score = -1;
        /* fall through */
    case ' ':
    case '\t':
        score -= 1;
        break;
    case '0': case '1': case '2': case '3': case '4':
    case '5': case '6': case '7': case '8': case '9':
        score = c - '0';
    }
    return score;
}

void copy_words(int *to, const int *from, int count)
{
    int n = (count + 3) / 4;
    if (count <= 0)
        return;
    switch (count % 4) {
    case 0: do { *to++ = *from++;
    case 3:      *to++ = *from++;
    case 2:      *to++ = *from++;
    case 1:      *to++ = *from++;
            } while (--n > 0);
    }
}

int nested(int a, int b)
{
    switch (a) {
    case 1:
        switch (b) {
        case 1: return 11;
        default: break;
        case 2: return 12;
        }
        return 10;
    case 2:
        return 20;
    }
    return 0;
}

int main(void)
{
    int src[7] = { 1, 2, 3, 4, 5, 6, 7 }, dst[7];
    copy_words(dst, src, 7);
    return classify('e') == 11 && classify('y') == 1 && classify('#') == -2 && classify(' ') == -1
        && classify('7') == 7 && dst[6] == 7 && nested(1, 2) == 12 && nested(1, 5) == 10 ? 0 : 1;
}
