/* expect: 228 */
/* A function declared as a member of a structure. */
struct object {
    int state;
    int update(int);
};
struct fine { int (*update)(int); };
