/* Two names that never get a place. */
unsigned char early;
section code;
static void helper(void);
void run(void)
{
  A = early;
  helper();
}
