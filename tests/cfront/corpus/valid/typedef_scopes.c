/* Typedef names hidden by ordinary identifiers in inner scopes, and chains of typedefs. */
typedef int T;
typedef T *TP;
typedef TP TPA[3];
typedef TPA *CTPAP;
typedef const T *const CTP;
typedef unsigned char byte;

static T global_value = 7;

int shadow_in_block(void)
{
    T outer = 2;
    {
        int T;
        T = outer * 5;
        outer = T;
    }
    return outer;
}

int shadow_by_parameter(int T)
{
    return T + 1;
}

int same_name_object(void)
{
    T x = 3;
    {
        T T = x + 1;
        x = T * 2;
    }
    {
        byte byte = 9;
        x += byte;
    }
    return x;
}

int chain(void)
{
    TPA pointers;
    CTPAP view = &pointers;
    T a = 1, b = 2, c = 3;
    CTP fixed = &c;
    pointers[0] = &a;
    pointers[1] = &b;
    pointers[2] = &c;
    return *(*view)[0] + *(*view)[1] + *fixed;
}

int main(void)
{
    T total = shadow_in_block() + shadow_by_parameter(4) + same_name_object() + chain();
    return total == 10 + 5 + 17 + 6 + global_value - 7 ? 0 : 1;
}
