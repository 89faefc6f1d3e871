/* One spelling used at once as a tag, a member, a label, a typedef-free ordinary identifier:
   C keeps them in separate name spaces. */
struct item { int item; struct item *next; };
union value { int value; long wide; };
enum state { idle, busy };

static int item_count(struct item *item)
{
    int count = 0;
    while (item) {
        count += item->item;
        item = item->next;
    }
    return count;
}

int state(enum state state)
{
    if (state == busy)
        goto state;
    return 0;
state:
    return 1;
}

int value(void)
{
    union value value;
    value.value = 5;
    return value.value;
}

int main(void)
{
    struct item second = { 2, 0 }, first = { 1, 0 };
    struct item *item = &first;
    first.next = &second;
    return item_count(item) == 3 && state(busy) == 1 && state(idle) == 0 && value() == 5 ? 0 : 1;
}
