#pragma once
// One translation unit from the preprocessor's tokens to the end: the type table, the nodes,
// the expression checks, the tokenizer and the parser, the pragmas, and with a record sink the
// intermediate-file writer too. Without one the unit is only parsed and checked.
#include "cfront/builtin_files.h"
#include "cfront/diagnostics.h"
#include "cfront/held_output.h"
#include "cfront/line_sink.h"
#include "cfront/pragmas.h"
#include "cfront/preprocessor.h"
#include "cfront/sections.h"
#include "cfront/settings.h"

namespace kz::cfront {

// State of the run that outlives the unit; what is not given the unit makes for itself.
struct UnitState {
  SectionTable* sections = nullptr;
  FunctionMarks* marks = nullptr;
  BuiltinLibrary* builtinFiles = nullptr;
  FunctionBodies* bodies = nullptr;  // told where each function definition begins and ends
  SpillFile* spill = nullptr;        // where held-back output may go
};

// The pragmas change options (packing, calling convention, pointer sizes) as they are read.
void compileTranslationUnit(Preprocessor& preprocessor, Diagnostics& diagnostics,
                            RunOptions& options, LineSink* records, UnitState state = {});

}  // namespace kz::cfront
