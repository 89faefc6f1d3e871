/* An unbalanced binary search tree: insert, look up, height, in-order walk. */
typedef struct tree_node Tree;

struct tree_node {
    int key;
    Tree *left, *right;
};

static Tree nodes[64];
static unsigned int used;

static Tree *make(int key)
{
    Tree *t = &nodes[used++];
    t->key = key;
    t->left = t->right = 0;
    return t;
}

Tree *insert(Tree *root, int key)
{
    if (root == 0)
        return make(key);
    if (key < root->key)
        root->left = insert(root->left, key);
    else if (key > root->key)
        root->right = insert(root->right, key);
    return root;
}

int contains(const Tree *root, int key)
{
    while (root) {
        if (key == root->key)
            return 1;
        root = key < root->key ? root->left : root->right;
    }
    return 0;
}

int height(const Tree *t)
{
    int l, r;
    if (!t)
        return 0;
    l = height(t->left);
    r = height(t->right);
    return 1 + (l > r ? l : r);
}

typedef void (*Visit)(int key, void *context);

void walk(const Tree *t, Visit visit, void *context)
{
    if (t == 0)
        return;
    walk(t->left, visit, context);
    (*visit)(t->key, context);
    walk(t->right, visit, context);
}

static void count_key(int key, void *context)
{
    int *counter = (int *)context;
    *counter += key & 1;
}

int main(void)
{
    static const int keys[] = { 50, 30, 70, 20, 40, 60, 80, 35, 45, 65 };
    Tree *root = 0;
    unsigned int i;
    int odd = 0;
    for (i = 0; i < sizeof keys / sizeof keys[0]; ++i)
        root = insert(root, keys[i]);
    walk(root, count_key, &odd);
    return contains(root, 45) && !contains(root, 46) && height(root) == 4 && odd == 3 ? 0 : 1;
}
