/* Internal and external linkage: file-scope statics, extern declarations at block scope,
   tentative definitions and redeclarations that agree. */
int shared_counter;
int shared_counter;
extern int shared_counter;
static int hidden = 3;
extern int hidden;
int initialised = 10;
extern int late_defined;

static int helper(int);
extern int exported(int);
int exported(int);

static int helper(int x)
{
    static int calls;
    calls++;
    return x + calls;
}

int exported(int x)
{
    extern int initialised;
    return helper(x) + initialised;
}

int use_block_extern(void)
{
    extern int late_defined;
    int hidden = 100;
    {
        extern int shared_counter;
        shared_counter += hidden;
    }
    return late_defined + shared_counter;
}

int late_defined = 5;

int main(void)
{
    int first = exported(1);
    int second = exported(1);
    return first == 12 && second == 13 && use_block_extern() == 105 && hidden == 3 ? 0 : 1;
}
