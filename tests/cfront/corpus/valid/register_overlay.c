/* A control register seen as a whole word or as bit fields through a union. */
union control {
    unsigned int word;
    struct {
        unsigned int enable : 1;
        unsigned int mode : 2;
        unsigned int prescale : 3;
        unsigned int : 2;
        unsigned int channel : 4;
        unsigned int reserved : 4;
    } bits;
};

static volatile union control adc_control;

void adc_configure(unsigned int channel, unsigned int prescale)
{
    union control c;
    c.word = 0;
    c.bits.enable = 1;
    c.bits.mode = 2;
    c.bits.prescale = prescale;
    c.bits.channel = channel;
    adc_control.word = c.word;
}

unsigned int adc_channel(void)
{
    return adc_control.bits.channel;
}

int main(void)
{
    adc_configure(9, 5);
    adc_control.bits.mode = 1;
    return adc_channel() == 9 && adc_control.bits.prescale == 5 && adc_control.bits.mode == 1
        && adc_control.bits.enable == 1 && sizeof adc_control == sizeof(unsigned int) ? 0 : 1;
}
