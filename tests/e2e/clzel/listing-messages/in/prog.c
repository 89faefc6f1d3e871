/* Messages in the listing after the line they arise on: an error, a warning and a
   register warning; the summary counts each kind. */
#define GAIN 3
#define A_MACRO_NAME_OF_20CH 1
#define NOTHING
#undef GAIN
section vars area tiny;
unsigned char level;
section code;
static void missing(void);
void run(void)
{
  *DE = *HL;
  level = A;
  run();
}
