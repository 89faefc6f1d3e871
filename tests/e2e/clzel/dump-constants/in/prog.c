0y1010 017 0x1F 0XfF 0 10 4294967295
'A' 'AB' '\101' '\x' '\t' '\8' '\0' ';'
"tab\there" "quote\"" "oct\101\1" ""
12L;
0.5
'ABC' x
"\1234"
'a; rest
"open
