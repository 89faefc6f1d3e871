#ifdef X
#else
{ /* never closed
