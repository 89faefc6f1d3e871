#pragma once
// What the listing receives while the source is read: each source line as it is read, and
// each message directly after the line it arises on.
#include <string_view>

namespace kz::clike {

struct SourceLineInfo {
  std::string_view text;  // without its line end
  long lineInFile = 0;
  long totalLines = 0;  // lines read so far, include files counted
  int depth = 0;        // include depth (0: the main source)
};

class ListingSink {
 public:
  virtual ~ListingSink() = default;
  virtual void sourceLine(const SourceLineInfo& line) = 0;
  // One complete message line, with its line end.
  virtual void messageLine(std::string_view text) = 0;
};

}  // namespace kz::clike
