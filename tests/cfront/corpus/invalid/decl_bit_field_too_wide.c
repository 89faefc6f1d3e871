/* expect: 340 */
/* A bit field wider than its 16-bit int type. */
struct wide {
    unsigned int word : 17;
    unsigned int fine : 16;
};
