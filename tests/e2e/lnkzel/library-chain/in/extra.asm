 PUBLIC unused
 EXTERN wait
extra SECTION CODE
unused: CALL wait
 RET
 END
