/* Debouncing eight keys read from a port by counting stable samples per key. */
#define KEYS 8
#define STABLE_SAMPLES 4

static volatile unsigned char key_port;
static unsigned char stable_state;
static unsigned char counters[KEYS];

unsigned char debounce(unsigned char raw)
{
    unsigned char changed = 0;
    int k;
    for (k = 0; k < KEYS; k++) {
        unsigned char bit = (unsigned char)(1u << k);
        if ((raw & bit) != (stable_state & bit)) {
            if (++counters[k] >= STABLE_SAMPLES) {
                stable_state ^= bit;
                changed |= bit;
                counters[k] = 0;
            }
        } else {
            counters[k] = 0;
        }
    }
    return changed;
}

unsigned char sample(void)
{
    return debounce(key_port);
}

int main(void)
{
    static const unsigned char samples[] = { 0x01, 0x00, 0x01, 0x01, 0x01, 0x01, 0x03, 0x03 };
    unsigned char changes = 0;
    unsigned int i;
    for (i = 0; i < sizeof samples; i++) {
        key_port = samples[i];
        changes |= sample();
    }
    return stable_state == 0x01 && changes == 0x01 && counters[1] == 2 ? 0 : 1;
}
