/* A small ledger with accounts, transfers and an audit of the totals. */
#define ACCOUNTS 4

enum result { OK, NO_SUCH_ACCOUNT, INSUFFICIENT_FUNDS, SAME_ACCOUNT };

struct account {
    unsigned int number;
    long balance;
    unsigned int transactions;
};

static struct account accounts[ACCOUNTS] = {
    { 1001, 50000L }, { 1002, 120L }, { 1003, 0L }, { 1004, 999999L }
};

static struct account *account_by_number(unsigned int number)
{
    int i;
    for (i = 0; i < ACCOUNTS; i++)
        if (accounts[i].number == number)
            return accounts + i;
    return (struct account *)0;
}

enum result transfer(unsigned int from, unsigned int to, long amount)
{
    struct account *a = account_by_number(from), *b = account_by_number(to);
    if (!a || !b)
        return NO_SUCH_ACCOUNT;
    if (a == b)
        return SAME_ACCOUNT;
    if (a->balance < amount)
        return INSUFFICIENT_FUNDS;
    a->balance -= amount;
    b->balance += amount;
    a->transactions++, b->transactions++;
    return OK;
}

long total(void)
{
    long sum = 0;
    int i = ACCOUNTS;
    while (i-- > 0)
        sum += accounts[i].balance;
    return sum;
}

int main(void)
{
    long before = total();
    enum result r1 = transfer(1001, 1003, 20000L);
    enum result r2 = transfer(1002, 1001, 500L);
    enum result r3 = transfer(1005, 1001, 1L);
    enum result r4 = transfer(1004, 1004, 1L);
    return r1 == OK && r2 == INSUFFICIENT_FUNDS && r3 == NO_SUCH_ACCOUNT && r4 == SAME_ACCOUNT
        && total() == before && accounts[2].balance == 20000L ? 0 : 1;
}
