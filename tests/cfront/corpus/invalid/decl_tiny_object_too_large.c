/* expect: 362 */
/* A 257-byte array in the 256-byte tiny area. */
static char __tiny buffer[257];
static char __tiny fits[256];
