int pick(int k)
{
    switch (k) {
    case 1: return 10;
    case 5: k = 7;
    case 9: break;
    default: k = 0;
    }
    return k;
}
