struct flags { unsigned ready : 1; unsigned mode : 3; int delta : 4; unsigned top : 8; };
struct flags table[4];
int touch(int i)
{
    table[i].ready = 1;
    table[i].mode = 0;
    table[i].mode = 5;
    table[i++].mode += 2;
    return table[i].delta;
}
struct counters { unsigned low : 3; unsigned high : 5; };
int step(struct counters *c)
{
    c->high++;
    return c->low--;
}
int used(struct flags *f, int v)
{
    f->delta = v;
    v = (f->delta = v);
    v = ++f->delta;
    return f->mode = v;
}
