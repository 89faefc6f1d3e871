;
bad © byte
