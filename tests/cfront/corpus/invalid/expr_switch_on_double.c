/* expect: 298 */
/* A switch on a floating value. */
int classify(double d)
{
    switch (d) {
    case 1: return 1;
    }
    return 0;
}
