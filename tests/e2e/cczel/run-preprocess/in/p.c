#define STEP 1
int limit = LIMIT + STEP;
