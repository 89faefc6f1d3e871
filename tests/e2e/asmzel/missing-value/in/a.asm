 NOP
