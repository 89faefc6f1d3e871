/* shared definitions */
#define STEP 1
extern unsigned char shared;
