/* Kahn's topological sort of build steps with dependencies held in edge lists. */
#define STEPS 7
#define MAX_EDGES 16

struct graph {
    int edge_from[MAX_EDGES], edge_to[MAX_EDGES];
    int edges;
};

static void depends(struct graph *g, int before, int after)
{
    g->edge_from[g->edges] = before;
    g->edge_to[g->edges] = after;
    g->edges++;
}

int topo_order(const struct graph *g, int order[STEPS])
{
    int in_degree[STEPS], ready[STEPS], head = 0, tail = 0, done = 0, i, e;
    for (i = 0; i < STEPS; i++)
        in_degree[i] = 0;
    for (e = 0; e < g->edges; e++)
        in_degree[g->edge_to[e]]++;
    for (i = 0; i < STEPS; i++)
        if (in_degree[i] == 0)
            ready[tail++] = i;
    while (head < tail) {
        int step = ready[head++];
        order[done++] = step;
        for (e = 0; e < g->edges; e++)
            if (g->edge_from[e] == step && --in_degree[g->edge_to[e]] == 0)
                ready[tail++] = g->edge_to[e];
    }
    return done == STEPS;
}

int position(const int order[STEPS], int step)
{
    int i;
    for (i = 0; i < STEPS; i++)
        if (order[i] == step)
            return i;
    return -1;
}

int main(void)
{
    struct graph g;
    int order[STEPS], e, ok;
    g.edges = 0;
    depends(&g, 0, 2);
    depends(&g, 1, 2);
    depends(&g, 2, 3);
    depends(&g, 3, 4);
    depends(&g, 5, 4);
    depends(&g, 4, 6);
    ok = topo_order(&g, order);
    for (e = 0; ok && e < g.edges; e++)
        ok = position(order, g.edge_from[e]) < position(order, g.edge_to[e]);
    depends(&g, 6, 0);
    return ok && !topo_order(&g, order) ? 0 : 1;
}
