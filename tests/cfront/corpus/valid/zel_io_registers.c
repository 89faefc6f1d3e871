/* Peripheral registers placed in the io space with the target's keyword; other compilers see
   ordinary volatile objects. */
#ifdef __ZEL__
#define IO __io
#else
#define IO
#endif

IO volatile unsigned char port_data;
IO volatile unsigned char port_direction;
IO volatile unsigned char timer_control;
IO volatile unsigned int timer_count;

#define TIMER_RUN 0x01
#define TIMER_IRQ 0x80

void port_setup(unsigned char outputs)
{
    port_direction = outputs;
    port_data = 0;
}

void led_set(unsigned char mask, int on)
{
    if (on)
        port_data |= mask;
    else
        port_data &= (unsigned char)~mask;
}

unsigned int timer_read(void)
{
    unsigned int first, second;
    do {
        first = timer_count;
        second = timer_count;
    } while (first != second);
    return first;
}

int timer_start(void)
{
    timer_control = TIMER_RUN;
    return (timer_control & TIMER_IRQ) != 0;
}

int main(void)
{
    port_setup(0xF0);
    led_set(0x10, 1);
    led_set(0x20, 1);
    led_set(0x10, 0);
    return port_data == 0x20 && timer_start() == 0 && timer_read() == timer_count ? 0 : 1;
}
