??=define A /* c */ 1
A // d
"s\
 t"
