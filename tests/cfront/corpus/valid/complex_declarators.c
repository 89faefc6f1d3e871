/* Declarators that combine pointers, arrays and functions several levels deep. */
typedef int (*unary)(int);

static int plus_one(int x) { return x + 1; }
static int times_two(int x) { return x * 2; }

/* An array of three pointers to functions returning int. */
int (*ops[3])(int) = { plus_one, times_two, plus_one };

/* A pointer to an array of three pointers to functions returning int. */
int (*(*ops_view)[3])(int) = &ops;

/* A function returning a pointer to a function taking int and returning int. */
int (*select_op(int which))(int)
{
    return ops[which % 3];
}

/* A pointer to such a function. */
int (*(*selector)(int))(int) = select_op;

/* A function taking a pointer to an array of 4 ints and returning a pointer to char. */
char *describe(int (*row)[4]);

/* An array of 2 pointers to arrays of 4 pointers to char. */
char *(*tables[2])[4];

/* A pointer to a function returning a pointer to an array of 5 longs. */
static long storage[5];
static long (*give_storage(void))[5] { return &storage; }
long (*(*storage_getter)(void))[5] = give_storage;

char *describe(int (*row)[4])
{
    static char text[2];
    text[0] = (char)('0' + (*row)[3]);
    text[1] = '\0';
    return text;
}

int main(void)
{
    static char *names[4] = { "a", "b", "c", "d" };
    int row[4] = { 1, 2, 3, 4 };
    int value;
    tables[0] = &names;
    tables[1] = 0;
    value = (*(*ops_view)[1])(5);
    value = (*selector)(2)(value);
    value = select_op(0)(value);
    (*storage_getter())[4] = value;
    return value == 12 && storage[4] == 12 && *describe(&row) == '4' && (*tables[0])[2][0] == 'c' ? 0 : 1;
}
