first_a
