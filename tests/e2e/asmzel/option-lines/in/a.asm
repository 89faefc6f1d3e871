; options for this module

  -g -lx ; debug and cross-reference
-e e1.txt -e e2.txt
-f x.txt -xx -o y.rel
prog SECTION CODE
 NOP
 END
