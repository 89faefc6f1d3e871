#pragma once
// One translation unit from the preprocessor's tokens to the end: the type table, the nodes,
// the expression checks, the tokenizer and the parser, and with a record sink the
// intermediate-file writer too. Without one the unit is only parsed and checked.
#include "cfront/diagnostics.h"
#include "cfront/line_sink.h"
#include "cfront/preprocessor.h"
#include "cfront/settings.h"

namespace kz::cfront {

void compileTranslationUnit(Preprocessor& preprocessor, Diagnostics& diagnostics,
                            const RunOptions& options, LineSink* records);

}  // namespace kz::cfront
