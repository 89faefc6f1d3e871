/* expect: 541 */
/* A case constant that an int switch expression can never equal. */
int classify(int code)
{
    switch (code) {
    case 70000L:
        return 1;
    }
    return 0;
}
