section area; int x;
