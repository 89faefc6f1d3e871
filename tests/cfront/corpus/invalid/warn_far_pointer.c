/* expect: 650 */
/* A __far pointer declared in source becomes a near pointer, with a warning. */
char __far *text;
