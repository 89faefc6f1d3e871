unsigned char flags;

void quiet(void)
{
  __asm("\tdi");
  flags = 1;
  __ASM("\tld a,(_flags)\n" "\tld (0x40),a\n");
  __asm ( "\tnop\n\tei" );
}
