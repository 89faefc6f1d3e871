/* Member offsets through offsetof, and code that walks structures by offset tables. */
#include <stddef.h>

struct header {
    unsigned char version;
    unsigned char flags;
    unsigned int length;
    long sequence;
    char name[5];
};

struct field {
    const char *name;
    size_t offset;
    size_t size;
};

#define FIELD(member) { #member, offsetof(struct header, member), sizeof(((struct header *)0)->member) }

static const struct field fields[] = {
    FIELD(version),
    FIELD(flags),
    FIELD(length),
    FIELD(sequence),
    FIELD(name)
};

unsigned int sum_bytes(const struct header *h, const struct field *f)
{
    const unsigned char *p = (const unsigned char *)h + f->offset;
    unsigned int sum = 0;
    size_t i;
    for (i = 0; i < f->size; i++)
        sum += p[i];
    return sum;
}

int main(void)
{
    struct header h;
    unsigned int total = 0, i;
    unsigned char *raw = (unsigned char *)&h;
    for (i = 0; i < sizeof h; i++)
        raw[i] = 0;
    h.version = 1;
    h.flags = 2;
    h.name[0] = 3;
    for (i = 0; i < sizeof fields / sizeof fields[0]; i++)
        total += sum_bytes(&h, &fields[i]);
    return total == 6 && fields[0].offset == 0 && fields[4].size == 5 && offsetof(struct header, flags) == 1 ? 0 : 1;
}
