/* Å* Å/ still comment */ a
"ï\" 'ï\' b
