/* Dijkstra's shortest paths on a small weighted graph held as an adjacency matrix. */
#define NODES 6
#define INFINITE 0x7FFF

static const int weight[NODES][NODES] = {
    { 0, 7, 9, 0, 0, 14 },
    { 7, 0, 10, 15, 0, 0 },
    { 9, 10, 0, 11, 0, 2 },
    { 0, 15, 11, 0, 6, 0 },
    { 0, 0, 0, 6, 0, 9 },
    { 14, 0, 2, 0, 9, 0 }
};

void shortest_paths(int source, int distance[NODES], int previous[NODES])
{
    unsigned char done[NODES];
    int i, step, u, v;
    for (i = 0; i < NODES; i++) {
        distance[i] = INFINITE;
        previous[i] = -1;
        done[i] = 0;
    }
    distance[source] = 0;
    for (step = 0; step < NODES; step++) {
        u = -1;
        for (i = 0; i < NODES; i++)
            if (!done[i] && (u < 0 || distance[i] < distance[u]))
                u = i;
        if (u < 0 || distance[u] == INFINITE)
            break;
        done[u] = 1;
        for (v = 0; v < NODES; v++)
            if (weight[u][v] && distance[u] + weight[u][v] < distance[v]) {
                distance[v] = distance[u] + weight[u][v];
                previous[v] = u;
            }
    }
}

int path_length(const int previous[NODES], int target)
{
    int hops = 0;
    while (previous[target] >= 0) {
        target = previous[target];
        hops++;
    }
    return hops;
}

int main(void)
{
    int distance[NODES], previous[NODES];
    shortest_paths(0, distance, previous);
    return distance[4] == 20 && distance[3] == 20 && path_length(previous, 4) == 3 ? 0 : 1;
}
