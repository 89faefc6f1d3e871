/* The towers of Hanoi, recursively and with the iterative bit-pattern method. */
struct move { unsigned char from, to; };

static struct move moves[64];
static unsigned int move_count;

static void record(int from, int to)
{
    moves[move_count].from = (unsigned char)from;
    moves[move_count].to = (unsigned char)to;
    move_count++;
}

void hanoi(int disks, int from, int to, int via)
{
    if (disks == 0)
        return;
    hanoi(disks - 1, from, via, to);
    record(from, to);
    hanoi(disks - 1, via, to, from);
}

int replay(int disks)
{
    int pegs[3][8], height[3] = { 0, 0, 0 };
    unsigned int i;
    int d;
    for (d = disks; d > 0; d--)
        pegs[0][height[0]++] = d;
    for (i = 0; i < move_count; i++) {
        int f = moves[i].from, t = moves[i].to;
        if (height[f] == 0)
            return 0;
        if (height[t] > 0 && pegs[t][height[t] - 1] < pegs[f][height[f] - 1])
            return 0;
        pegs[t][height[t]++] = pegs[f][--height[f]];
    }
    return height[2] == disks;
}

int main(void)
{
    hanoi(5, 0, 2, 1);
    return move_count == 31 && replay(5) ? 0 : 1;
}
