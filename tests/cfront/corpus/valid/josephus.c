/* The Josephus problem on a circular singly linked list of people. */
struct person {
    int number;
    struct person *next;
};

int josephus(int n, int k)
{
    struct person people[41], *current, *previous;
    int i;
    if (n < 1 || n > 41)
        return -1;
    for (i = 0; i < n; i++) {
        people[i].number = i + 1;
        people[i].next = &people[(i + 1) % n];
    }
    previous = &people[n - 1];
    current = &people[0];
    while (current->next != current) {
        for (i = 1; i < k; i++) {
            previous = current;
            current = current->next;
        }
        previous->next = current->next;
        current = current->next;
    }
    return current->number;
}

int josephus_formula(int n, int k)
{
    int survivor = 0, i;
    for (i = 2; i <= n; i++)
        survivor = (survivor + k) % i;
    return survivor + 1;
}

int main(void)
{
    return josephus(41, 3) == 31 && josephus(7, 2) == josephus_formula(7, 2) && josephus(0, 1) == -1 ? 0 : 1;
}
