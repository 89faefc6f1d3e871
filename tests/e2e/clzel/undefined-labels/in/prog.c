/* Three names that never get a place, listed by name, not in the order they were seen. */
unsigned char early;
section code;
static void helper(void);
static void aside(void);
void run(void)
{
  A = early;
  helper();
  aside();
}
