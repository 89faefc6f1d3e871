/* expect: 530 */
/* const written twice. */
const const int limit = 4;
