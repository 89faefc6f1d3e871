#include <pins.h>
#ifdef DEBUG
int debug;
#endif
/* a comment
   over lines */
void blink(void) { port |= BIT(LED_PIN); }
