#pragma once
// Option lines at the top of a source file: before the first statement, lines whose
// first non-blank character is '-' hold options, as on the command line.
#include <functional>
#include <string>
#include <string_view>

#include "asm/options.h"
#include "asm/source_reader.h"

namespace kz::assembler {

enum class PrescanLine { skipped, options, statement };

PrescanLine classifyPrescanLine(std::string_view line);

// Applies the options of one option line. refuse() is called once for each option that is
// unknown, malformed or names a setting that is already fixed (warning 515).
void applyOptionLine(std::string_view line, OptionSettings& settings,
                     const std::function<void()>& refuse);

// Reads the source from its start up to the first statement line, applying option lines,
// then rewinds it. refuse(line) reports warning 515 for that line. Returns the number of
// lines before the first statement line.
long prescanOptionLines(SourceReader& reader, OptionSettings& settings,
                        const std::function<void(long)>& refuse);

}  // namespace kz::assembler
