/* expect: 350/229 */
/* A bit field of type long. */
struct counters {
    long count : 4;
    unsigned int fine : 4;
};
