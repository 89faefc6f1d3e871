void nothing(void) { }
int a_function_name_that_is_longer_than_31_characters(void) { return 1; }
