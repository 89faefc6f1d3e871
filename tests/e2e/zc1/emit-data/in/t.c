struct flags { unsigned ready : 1; unsigned mode : 3; int level; };
struct flags settings = { 1, 5, -2 };
char exact[3] = "abc";
char room[8] = "hi";
int values[6] = { 1, 2, 3 };
long big = 70000L;
double ratio = 0.5;
int *cursor = &values[2];
const char *message = "ready";
