/* A vending machine as a switch-based state machine that accepts coins and dispenses change. */
enum vm_state { IDLE, COLLECTING, DISPENSING, OUT_OF_ORDER };
enum vm_input { COIN_10, COIN_50, COIN_100, SELECT, CANCEL, SERVICE };

struct machine {
    enum vm_state state;
    unsigned int credit;
    unsigned int change_given;
    unsigned int items;
};

#define PRICE 120

void step(struct machine *m, enum vm_input in)
{
    switch (m->state) {
    case OUT_OF_ORDER:
        if (in == SERVICE) {
            m->items = 5;
            m->state = IDLE;
        }
        break;
    case IDLE:
    case COLLECTING:
        switch (in) {
        case COIN_10: m->credit += 10; break;
        case COIN_50: m->credit += 50; break;
        case COIN_100: m->credit += 100; break;
        case CANCEL:
            m->change_given += m->credit;
            m->credit = 0;
            m->state = IDLE;
            return;
        case SELECT:
            if (m->credit >= PRICE) {
                m->state = DISPENSING;
                step(m, SELECT);
            }
            return;
        default:
            return;
        }
        m->state = COLLECTING;
        break;
    case DISPENSING:
        m->items--;
        m->change_given += m->credit - PRICE;
        m->credit = 0;
        m->state = m->items ? IDLE : OUT_OF_ORDER;
        break;
    }
}

int main(void)
{
    struct machine m = { IDLE, 0, 0, 1 };
    step(&m, COIN_100);
    step(&m, SELECT);
    step(&m, COIN_50);
    step(&m, SELECT);
    if (m.state != OUT_OF_ORDER || m.change_given != 30)
        return 1;
    step(&m, COIN_10);
    step(&m, SERVICE);
    return m.state == IDLE && m.items == 5 ? 0 : 2;
}
