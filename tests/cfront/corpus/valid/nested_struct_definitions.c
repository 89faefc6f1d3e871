/* Structure and union definitions nested inside others, whose tags are then used outside. */
struct packet {
    struct packet_header {
        unsigned char type;
        unsigned char length;
        union packet_address {
            unsigned char bytes[4];
            unsigned long whole;
        } source, destination;
    } header;
    struct packet_body {
        unsigned char data[16];
        enum body_kind { BODY_EMPTY, BODY_TEXT, BODY_BINARY } kind;
    } body;
    unsigned int checksum;
};

static struct packet_header last_header;
static union packet_address broadcast;

unsigned int sum_packet(const struct packet *p)
{
    unsigned int s = p->header.type + p->header.length;
    int i;
    for (i = 0; i < p->header.length && i < 16; i++)
        s += p->body.data[i];
    return s & 0xFFFFu;
}

void remember(const struct packet *p)
{
    last_header = p->header;
}

int main(void)
{
    struct packet p;
    struct packet_body *b = &p.body;
    enum body_kind k = BODY_TEXT;
    int i;
    broadcast.whole = 0xFFFFFFFFUL;
    p.header.type = 1;
    p.header.length = 3;
    p.header.source = broadcast;
    p.header.destination.whole = 0;
    for (i = 0; i < 3; i++)
        b->data[i] = (unsigned char)(i + 10);
    b->kind = k;
    p.checksum = sum_packet(&p);
    remember(&p);
    return p.checksum == 37 && last_header.source.bytes[3] == 0xFF && last_header.length == 3 ? 0 : 1;
}
