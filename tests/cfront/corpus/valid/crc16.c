/* CRC-16/CCITT computed bit by bit and through a table built at start-up. */
static unsigned int crc_table[256];

unsigned int crc16_bitwise(const unsigned char *data, unsigned int length)
{
    unsigned int crc = 0xFFFF;
    int bit;
    while (length--) {
        crc ^= (unsigned int)*data++ << 8;
        for (bit = 0; bit < 8; bit++)
            crc = crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1;
        crc &= 0xFFFF;
    }
    return crc;
}

void crc16_build_table(void)
{
    unsigned int i, crc;
    int bit;
    for (i = 0; i < 256; i++) {
        crc = i << 8;
        for (bit = 0; bit < 8; bit++)
            crc = (crc & 0x8000) ? ((crc << 1) ^ 0x1021) : (crc << 1);
        crc_table[i] = crc & 0xFFFF;
    }
}

unsigned int crc16_table(const unsigned char *data, unsigned int length)
{
    unsigned int crc = 0xFFFFu;
    while (length-- > 0)
        crc = ((crc << 8) ^ crc_table[((crc >> 8) ^ *data++) & 0xFF]) & 0xFFFF;
    return crc;
}

int main(void)
{
    static const unsigned char message[] = "123456789";
    unsigned int a, b;
    crc16_build_table();
    a = crc16_bitwise(message, 9);
    b = crc16_table(message, 9);
    return a == b && a == 0x29B1 ? 0 : 1;
}
