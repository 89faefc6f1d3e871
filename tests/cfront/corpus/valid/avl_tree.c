/* An AVL tree with rotations on insertion, over a static pool of nodes. */
struct avl {
    int key;
    signed char height;
    struct avl *left, *right;
};

static struct avl pool[100];
static int pool_next;

static int height(const struct avl *n) { return n ? n->height : 0; }
static int maximum(int a, int b) { return a > b ? a : b; }

static void update(struct avl *n)
{
    n->height = (signed char)(1 + maximum(height(n->left), height(n->right)));
}

static struct avl *rotate_right(struct avl *y)
{
    struct avl *x = y->left;
    y->left = x->right;
    x->right = y;
    update(y);
    update(x);
    return x;
}

static struct avl *rotate_left(struct avl *x)
{
    struct avl *y = x->right;
    x->right = y->left;
    y->left = x;
    update(x);
    update(y);
    return y;
}

struct avl *avl_insert(struct avl *n, int key)
{
    int balance;
    if (n == 0) {
        n = &pool[pool_next++];
        n->key = key;
        n->height = 1;
        n->left = n->right = 0;
        return n;
    }
    if (key < n->key)
        n->left = avl_insert(n->left, key);
    else if (key > n->key)
        n->right = avl_insert(n->right, key);
    else
        return n;
    update(n);
    balance = height(n->left) - height(n->right);
    if (balance > 1 && key < n->left->key)
        return rotate_right(n);
    if (balance < -1 && key > n->right->key)
        return rotate_left(n);
    if (balance > 1) {
        n->left = rotate_left(n->left);
        return rotate_right(n);
    }
    if (balance < -1) {
        n->right = rotate_right(n->right);
        return rotate_left(n);
    }
    return n;
}

int main(void)
{
    struct avl *root = 0;
    int i;
    for (i = 1; i <= 63; i++)
        root = avl_insert(root, i);
    return height(root) == 6 && root->key == 32 ? 0 : 1;
}
