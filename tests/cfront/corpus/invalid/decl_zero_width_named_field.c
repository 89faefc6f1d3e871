/* expect: 246 */
/* A named bit field of width zero. */
struct flags {
    unsigned int ready : 1;
    unsigned int gap : 0;
    unsigned int done : 1;
};
