/* Prototypes with and without parameter names, with void, and definitions that match them. */
int area(int, int);
int perimeter(int width, int height);
long scaled(long value, int);
void reset(void);
double ratio(double a, double b);
char *fill(char *, char, unsigned int);
const char *pick_name(int index, const char *const names[]);
int apply_twice(int (*)(int), int);
int nothing_declared();

static int state;

int area(int width, int height) { return width * height; }
int perimeter(int w, int h) { return 2 * (w + h); }
long scaled(long value, int factor) { return value * factor; }
void reset(void) { state = 0; }
double ratio(double a, double b) { return b != 0.0 ? a / b : 0.0; }

char *fill(char *to, char c, unsigned int n)
{
    char *p = to;
    while (n--)
        *p++ = c;
    return to;
}

const char *pick_name(int index, const char *const names[])
{
    return names[index];
}

int apply_twice(int (*f)(int), int x) { return f(f(x)); }

static int square(int x) { return x * x; }

int nothing_declared() { return 42; }

int main(void)
{
    static const char *const names[] = { "zero", "one" };
    char buffer[4];
    fill(buffer, 'x', 3u);
    buffer[3] = 0;
    reset();
    return area(3, 4) == 12 && perimeter(3, 4) == 14 && scaled(1000L, 70) == 70000L && ratio(1.0, 4.0) == 0.25
        && buffer[2] == 'x' && pick_name(1, names)[0] == 'o' && apply_twice(square, 3) == 81
        && nothing_declared() == 42 && state == 0 ? 0 : 1;
}
