-Fa -Fa
 NOP
