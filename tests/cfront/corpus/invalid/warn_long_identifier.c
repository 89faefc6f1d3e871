/* expect: 515 */
/* An identifier of more than 31 characters. */
int a_name_that_is_much_longer_than_thirty_one = 1;
