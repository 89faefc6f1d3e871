ok;
bad © byte
