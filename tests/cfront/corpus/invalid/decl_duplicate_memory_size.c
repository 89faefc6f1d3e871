/* expect: 404 */
/* Two memory sizes on one object. */
static int __near __tiny counter;
static int __tiny fine;
