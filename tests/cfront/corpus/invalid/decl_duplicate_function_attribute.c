/* expect: 371 */
/* Two calling conventions on one function. */
void __adecl __cdecl both(void);
void __adecl one(void);
