/* expect: 390 */
/* A remainder by a constant expression that folds to zero. */
#define STEP 5
int wrap = 10 % (STEP - 5);
int fine = 10 % STEP;
