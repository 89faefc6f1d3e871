/* expect: 620 */
/* An interrupt handler may not also take __callv. */
void __interrupt __callv handler(void);
void __interrupt fine(void);
