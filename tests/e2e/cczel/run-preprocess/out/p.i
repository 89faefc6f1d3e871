int limit = 9 + 1;
