#pragma once
// The statement lines of the assembly listing, built field by field at fixed columns:
//
//   0         10                   31   36    42    48
//   LLLLLLLL  OOOOOOOOOOOOOOOOOOOO R +n llll  ccccc source text as read
//
// L the location counter (for EQU "  VVVVVVVV ", the value), O up to ten object bytes,
// R the relocation mark, n the include level, l the line in its file, c the running count of
// source lines. Further object bytes, and "(repeat n)" after a repeated data pattern, go on
// following lines in the object column. With -lw, source text past the width is folded onto
// the following lines from column 48, beside any further object bytes.
//
// A field that runs past the next column (a line number of many digits) pushes the fields
// after it to the right, one blank apart, instead of being overwritten.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "asm/statement_output.h"

namespace kz::assembler {

inline constexpr std::size_t kObjectColumn = 10;
inline constexpr std::size_t kSourceColumn = 48;
inline constexpr std::size_t kBytesPerLine = 10;

struct StatementColumns {
  std::string location;                   // columns 0-10; empty when the line has none
  std::vector<std::string> objectPieces;  // one per line, from column 10
  bool relocated = false;
  int includeLevel = 0;
  long line = 0;
  long runningCount = 0;
  std::string_view source;
};

// The location field: the location counter for statements that place or label something in
// a section (labelLine: the line defines a label), the value for EQU, else empty.
std::string locationField(const EmittedStatement& statement, bool labelLine);
// The object column of each line: bytes in upper-case hexadecimal, ten per line, then
// "(repeat n)" for a data pattern repeated other than once. Nothing for a failed statement.
std::vector<std::string> objectPieces(const EmittedStatement& statement);
// The object code shown has a value only the linker can complete.
bool needsRelocation(const EmittedStatement& statement);

// The lines of one statement, without line ends.
std::vector<std::string> formatStatementLines(const StatementColumns& columns,
                                              std::optional<int> lineWidth);

}  // namespace kz::assembler
