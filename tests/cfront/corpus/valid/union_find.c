/* Disjoint sets with union by rank and path compression, counting connected components. */
#define ELEMENTS 12

static int parent[ELEMENTS];
static unsigned char rank_of[ELEMENTS];

void sets_init(void)
{
    int i;
    for (i = 0; i < ELEMENTS; i++) {
        parent[i] = i;
        rank_of[i] = 0;
    }
}

int find_root(int x)
{
    int root = x, next;
    while (parent[root] != root)
        root = parent[root];
    while (parent[x] != root) {
        next = parent[x];
        parent[x] = root;
        x = next;
    }
    return root;
}

int unite(int a, int b)
{
    int ra = find_root(a), rb = find_root(b);
    if (ra == rb)
        return 0;
    if (rank_of[ra] < rank_of[rb]) {
        int t = ra;
        ra = rb;
        rb = t;
    }
    parent[rb] = ra;
    if (rank_of[ra] == rank_of[rb])
        rank_of[ra]++;
    return 1;
}

int main(void)
{
    static const int edges[][2] = { { 0, 1 }, { 1, 2 }, { 3, 4 }, { 5, 6 }, { 6, 7 }, { 7, 5 }, { 9, 10 } };
    int components = ELEMENTS;
    unsigned int i;
    sets_init();
    for (i = 0; i < sizeof edges / sizeof edges[0]; i++)
        components -= unite(edges[i][0], edges[i][1]);
    return components == 6 && find_root(2) == find_root(0) && find_root(3) != find_root(5) ? 0 : 1;
}
