first_b
