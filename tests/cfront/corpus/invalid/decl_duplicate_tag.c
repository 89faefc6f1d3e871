/* expect: 263 */
/* A structure tag defined twice in the same scope. */
struct node { int value; };
struct node { long value; };
struct other { int value; };
