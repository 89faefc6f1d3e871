/* A blinker: a timer interrupt counts ticks, the main loop shows a pattern on port 0. */
#define PORT_OUT 0x00
#define STEPS 4

section ports io abs 0x00;
unsigned char port0;

section vars area tiny;
unsigned char ticks;
unsigned char step;

section patterns const;
const unsigned char pattern[STEPS] = { 0x01, 0x02, 0x04, 0x08 };

section code;
void tick(void)
{
  PUSH(WA);
  ticks += 1;
  POP(WA);
  RETI;
}

void show(unsigned char A)
{
  switch (A) {
  case 0: port0 = 0x01; break;
  case 1: port0 = 0x02; break;
  case 2: port0 = 0x04; break;
  default: port0 = 0x08;
  }
}

void main(void)
{
  DI;
  SP = 0x00FF;
  step = 0;
  EI;
  for (;;) {
    A = step;
    show(A);
    A = step;
    A += 1;
    A &= STEPS - 1;
    step = A;
  }
}

section vectors const abs 0xFFF0;
const entry timerVector = tick;
const entry resetVector = main;
