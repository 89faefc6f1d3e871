deep
