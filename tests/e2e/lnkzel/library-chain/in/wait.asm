 PUBLIC wait
waits SECTION CODE
wait: NOP
 RET
 END
