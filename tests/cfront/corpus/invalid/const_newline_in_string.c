/* expect: 206 may: 216 */
/* A string literal that the end of the line cuts off. */
const char *text = "unfinished
;
const char *fine = "finished";
