int b = 2;
