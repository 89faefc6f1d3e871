#pragma once
// The token dump of -zt: one line per token the parser receives, so that the preprocessor
// and lexer can be checked through the real program:
//   <include depth>:<line> <class> <value>[ <text>]
// Text of strings and #asm blocks is shown in double quotes with C escapes.
#include <cstdio>

#include "clike/token.h"

namespace kz::clike {

void dumpToken(std::FILE* out, const Token& token);

}  // namespace kz::clike
