 EXTERN wait
 PUBLIC go
code SECTION CODE
go: LD A,1
 JR wait
 END
