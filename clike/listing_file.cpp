#include "clike/listing_file.h"

#include "common/host_path.h"

namespace kz::clike {
namespace {

constexpr std::size_t kTabWidth = 8;
constexpr const char* kSummaryPrefix = "CLZEL end, ";
constexpr const char* kSummaryIndent = "           ";

}  // namespace

ListingFile::ListingFile(std::string name, std::FILE* console)
    : name_(std::move(name)), console_(console) {}

ListingFile::~ListingFile() {
  if (stream_ && !toConsole()) std::fclose(stream_);
}

bool ListingFile::open() {
  stream_ = toConsole() ? console_ : std::fopen(withHostSeparators(name_).c_str(), "wb");
  return stream_ != nullptr;
}

// "%4d  %4d  " with the running and the file's line number, the include depth ("%1d=  ")
// or four blanks, then the text with its tabs expanded.
void ListingFile::sourceLine(const SourceLineInfo& line) {
  if (!stream_) return;
  char numbers[48];
  std::snprintf(numbers, sizeof numbers, "%4ld  %4ld  ", line.totalLines, line.lineInFile);
  line_.assign(numbers);
  if (line.depth > 0) {
    char depth[16];
    std::snprintf(depth, sizeof depth, "%1d=  ", line.depth);
    line_ += depth;
  } else {
    line_ += "    ";
  }
  std::size_t column = 0;
  for (char c : line.text) {
    if (c == '\t') {
      std::size_t blanks = kTabWidth - column % kTabWidth;
      line_.append(blanks, ' ');
      column += blanks;
    } else {
      line_ += c;
      ++column;
    }
  }
  line_ += '\n';
  std::fwrite(line_.data(), 1, line_.size(), stream_);
}

void ListingFile::messageLine(std::string_view text) {
  if (stream_) std::fwrite(text.data(), 1, text.size(), stream_);
}

void ListingFile::writeSummary(unsigned errors, unsigned warnings, unsigned registerWarnings) {
  if (!stream_) return;
  if (errors == 0 && warnings == 0 && registerWarnings == 0) {
    std::fprintf(stream_, "\n%sNo error\n", kSummaryPrefix);
    return;
  }
  std::fprintf(stream_, "\n%s%5u error(s)\n", kSummaryPrefix, errors);
  std::fprintf(stream_, "%s%5u warning(s)\n", kSummaryIndent, warnings);
  std::fprintf(stream_, "%s%5u register warning(s)\n", kSummaryIndent, registerWarnings);
}

bool ListingFile::close() {
  if (!stream_) return true;
  bool ok = std::ferror(stream_) == 0;
  if (toConsole())
    ok = std::fflush(stream_) == 0 && ok;
  else
    ok = std::fclose(stream_) == 0 && ok;
  stream_ = nullptr;
  return ok;
}

}  // namespace kz::clike
