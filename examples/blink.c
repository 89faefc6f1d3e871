/* Blink in the C-like language: the program of main.asm and delay.asm in one module.
 *
 * Steps the LEDs on port 0 through a table of patterns. The low two bits of each
 * pattern choose an action, which sets how long the step lasts; delay() waits that
 * long. The timer interrupt counts ticks in a byte of the 8-bit addressed data area.
 */
#define LAST 0xFF  /* marks the end of the pattern table */
#define INNER 250  /* turns of the inner delay loop */

section ports io abs 0x00;
unsigned char port0;

section vars area tiny;
unsigned char speed; /* outer delay loops per step */
unsigned char ticks;

section rom const;
const unsigned char patterns[] = {0x01, 0x02, 0x04, 0x08, 0x10, 0x21, 0x42, 0x83, LAST};

section code;

/* Waits speed times INNER turns; uses B and C. */
void delay(void)
{
  B = speed;
  do {
    C = INNER;
    do {
      C--;
    } while (C != 0);
    B--;
  } while (B != 0);
}

/* The action of a pattern: its low two bits. */
void act(unsigned char A)
{
  A &= 0x03;
  switch (A) {
  case 1:
    speed = 2;
    break;
  case 2:
    speed = 8;
    break;
  default:
    break;
  }
}

/* The timer interrupt. */
void tick(void)
{
  ticks += 1;
  RETI;
}

void main(void)
{
  DI;
  SP = 0x0200;
  speed = 4;
  EI;
  for (;;) {
    HL = &patterns[0];
    A = *HL;
    while (A != LAST) {
      port0 = A;
      PUSH(HL);
      act(A);
      delay();
      POP(HL);
      HL++;
      A = *HL;
    }
  }
}

/* Interrupt vectors at the top of memory: the timer interrupt, then reset. */
section vectors const abs 0xFFFC;
const entry timerVector = tick;
const entry resetVector = main;
