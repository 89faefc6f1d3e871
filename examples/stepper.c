/* Stepper: a two-axis stepper motor controller in the C-like language.
 *
 * Commands arrive as bytes on the serial port and are gathered in a line buffer by the
 * receive interrupt. The main loop takes each finished line, decodes its command letter
 * and number, and moves the axes: every tick of the timer interrupt advances an axis one
 * step through the coil pattern table, with a speed taken from the ramp table, until the
 * axis reaches its target. Limit switches on port 1 stop an axis and mark it homed.
 *
 * Registers hold the locals: A carries a byte argument, B and C count, HL and DE walk
 * tables and buffers.
 */
#define AXES 2         /* axes driven */
#define LINE_SIZE 16   /* bytes of a command line */
#define RAMP_STEPS 8   /* entries of the ramp table */
#define END_OF_LINE 13 /* carriage return ends a command */
#define LIMIT_X 0x01   /* port 1: limit switch of axis x */
#define LIMIT_Y 0x02   /* port 1: limit switch of axis y */
#define REPLY_OK 0x4F  /* 'O' */
#define REPLY_BAD 0x3F /* '?' */

/* The state of one axis. */
struct axis {
  unsigned char phase;  /* index into the coil patterns */
  unsigned char speed;  /* index into the ramp table */
  unsigned char wait;   /* ticks left before the next step */
  unsigned char moving; /* 1 while a move is under way */
  unsigned char homed;  /* 1 once the limit switch was seen */
  unsigned char steps;  /* steps left of the move */
};

section ports io abs 0x00;
unsigned char coilsX;
unsigned char coilsY;
unsigned char limits;
unsigned char serialData;
unsigned char serialStatus;

section fast area tiny;
unsigned char ticks;
unsigned char received;
unsigned char lineReady;

section vars area;
struct axis axisX;
struct axis axisY;
unsigned char line[LINE_SIZE];
unsigned char command;
unsigned char argument;
unsigned char errors;
unsigned char replies;

section rom const;
/* Coil patterns of a full step, then of a half step. */
const unsigned char fullSteps[4] = {0x09, 0x0C, 0x06, 0x03};
const unsigned char halfSteps[8] = {0x08, 0x0C, 0x04, 0x06, 0x02, 0x03, 0x01, 0x09};
/* Ticks between steps, slowest first: an axis speeds up along the table. */
const unsigned char ramp[RAMP_STEPS] = {40, 28, 20, 14, 10, 8, 6, 5};
/* Decimal digit values of the characters '0' to '9'. */
const unsigned char digits[10] = "0123456789";

section code;

/* Sends the byte in A when the transmitter is free. */
void send(unsigned char A)
{
  B = A;
  do {
    A = serialStatus;
    A &= 0x20;
  } while (A == 0);
  serialData = B;
  A = replies;
  A++;
  replies = A;
}

/* Clears the command line buffer. */
void clearLine(void)
{
  HL = &line[0];
  B = LINE_SIZE;
  A = 0;
  while (B != 0) {
    *HL = A;
    HL++;
    B--;
  }
  received = 0;
  lineReady = 0;
}

/* The value of the digit character in A, or 0xFF when it is no digit. */
void digitValue(unsigned char A)
{
  HL = &digits[0];
  C = 0;
  for (B = 10; B != 0; B--) {
    if (A == *HL) {
      A = C;
      return;
    }
    HL++;
    C++;
  }
  A = 0xFF;
}

/* Reads the decimal number after the command letter into argument. */
void readArgument(void)
{
  argument = 0;
  HL = &line[1];
  A = *HL;
  while (A != 0) {
    PUSH(HL);
    digitValue(A);
    POP(HL);
    if (A == 0xFF) {
      errors += 1;
      return;
    }
    C = A;
    A = argument;
    A <<= 1;
    B = A;
    A <<= 2;
    A += B;
    A += C;
    argument = A;
    HL++;
    A = *HL;
  }
}

/* Starts a move of axis x by argument steps. */
void startX(void)
{
  A = argument;
  if (A == 0) {
    return;
  }
  axisX.steps = A;
  axisX.speed = 0;
  A = ramp[0];
  axisX.wait = A;
  axisX.moving = 1;
}

/* Starts a move of axis y by argument steps. */
void startY(void)
{
  A = argument;
  if (A == 0) {
    return;
  }
  axisY.steps = A;
  axisY.speed = 0;
  A = ramp[0];
  axisY.wait = A;
  axisY.moving = 1;
}

/* Stops both axes at once. */
void stopAll(void)
{
  axisX.moving = 0;
  axisY.moving = 0;
  A = 0;
  coilsX = A;
  coilsY = A;
}

/* Drives both axes towards their limit switches. */
void home(void)
{
  axisX.homed = 0;
  axisY.homed = 0;
  argument = 200;
  startX();
  startY();
}

/* Answers with the state of the axes: a byte of flags. */
void report(void)
{
  C = 0;
  A = axisX.moving;
  if (A != 0) {
    C |= 0x01;
  }
  A = axisY.moving;
  if (A != 0) {
    C |= 0x02;
  }
  A = axisX.homed;
  if (A != 0) {
    C |= 0x10;
  }
  A = axisY.homed;
  if (A != 0) {
    C |= 0x20;
  }
  A = C;
  send(A);
}

/* Carries out the command of a finished line. */
void execute(void)
{
  A = line[0];
  command = A;
  readArgument();
  A = command;
  switch (A) {
  case 'X':
    startX();
    break;
  case 'Y':
    startY();
    break;
  case 'S':
    stopAll();
    break;
  case 'H':
    home();
    break;
  case 'R':
    report();
    return;
  default:
    errors += 1;
    A = REPLY_BAD;
    send(A);
    return;
  }
  A = REPLY_OK;
  send(A);
}

/* The next coil pattern of the phase in A, stepping forward; the new phase in B. */
void nextPhase(unsigned char A)
{
  A++;
  A &= 0x03;
  B = A;
  HL = &fullSteps[0];
  C = A;
  while (C != 0) {
    HL++;
    C--;
  }
  A = *HL;
}

/* Speeds an axis up along the ramp: the index in A, the ticks to wait in C. */
void rampUp(unsigned char A)
{
  if (A < RAMP_STEPS - 1) {
    A++;
  }
  B = A;
  HL = &ramp[0];
  C = A;
  while (C != 0) {
    HL++;
    C--;
  }
  C = *HL;
  A = B;
}

/* One tick of axis x. */
void tickX(void)
{
  A = axisX.moving;
  if (A == 0) {
    return;
  }
  A = limits;
  A &= LIMIT_X;
  if (A != 0) {
    axisX.moving = 0;
    axisX.homed = 1;
    return;
  }
  A = axisX.wait;
  A--;
  axisX.wait = A;
  if (A != 0) {
    return;
  }
  A = axisX.phase;
  nextPhase(A);
  coilsX = A;
  axisX.phase = B;
  A = axisX.speed;
  rampUp(A);
  axisX.speed = A;
  axisX.wait = C;
  A = axisX.steps;
  A--;
  axisX.steps = A;
  if (A == 0) {
    axisX.moving = 0;
  }
}

/* One tick of axis y. */
void tickY(void)
{
  A = axisY.moving;
  if (A == 0) {
    return;
  }
  A = limits;
  A &= LIMIT_Y;
  if (A != 0) {
    axisY.moving = 0;
    axisY.homed = 1;
    return;
  }
  A = axisY.wait;
  A--;
  axisY.wait = A;
  if (A != 0) {
    return;
  }
  A = axisY.phase;
  nextPhase(A);
  coilsY = A;
  axisY.phase = B;
  A = axisY.speed;
  rampUp(A);
  axisY.speed = A;
  axisY.wait = C;
  A = axisY.steps;
  A--;
  axisY.steps = A;
  if (A == 0) {
    axisY.moving = 0;
  }
}

/* The timer interrupt: a tick for each axis. */
void timer(void)
{
  PUSH(HL);
  PUSH(BC);
  ticks += 1;
  tickX();
  tickY();
  POP(BC);
  POP(HL);
  RETI;
}

/* The receive interrupt: a byte into the line buffer, the line finished at its end. */
void receive(void)
{
  PUSH(HL);
  PUSH(BC);
  A = serialData;
  if (A == END_OF_LINE) {
    lineReady = 1;
  } else {
    B = A;
    A = received;
    if (A < LINE_SIZE - 1) {
      HL = &line[0];
      C = A;
      while (C != 0) {
        HL++;
        C--;
      }
      *HL = B;
      A++;
      received = A;
    } else {
      errors += 1;
    }
  }
  POP(BC);
  POP(HL);
  RETI;
}

/* Waits until both axes stand still. */
void waitIdle(void)
{
  do {
    A = axisX.moving;
    A |= axisY.moving;
  } while (A != 0);
}

void main(void)
{
  DI;
  SP = 0x0400;
  stopAll();
  clearLine();
  errors = 0;
  replies = 0;
  home();
  EI;
  waitIdle();
  for (;;) {
    A = lineReady;
    if (A != 0) {
      execute();
      clearLine();
    }
  }
}

/* Interrupt vectors at the top of memory: receive, timer, then reset. */
section vectors const abs 0xFFFA;
const entry receiveVector = receive;
const entry timerVector = timer;
const entry resetVector = main;
