#pragma once
// A checker of zc1's intermediate files: reads one file and reports every line that is not
// well formed, with its line number. It knows the records, operands, mnemonics, type lines,
// symbol lines and initialiser data, and follows what they declare: temporaries, automatics,
// statics, globals and types must be declared before they are used, labels jumped to must
// stand in the same function, blocks and functions must close in order, arguments must be
// followed by their call, and the data of an object must fill it exactly.
//
// Any bytes may be given: the checker never reads outside the text and keeps no more state
// than the file declares.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kz::iltest {

struct IlProblem {
  std::size_t line = 0;  // counted from 1
  std::string text;
};

std::vector<IlProblem> checkIntermediateFile(std::string_view text);

}  // namespace kz::iltest
