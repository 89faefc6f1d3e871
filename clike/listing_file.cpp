#include "clike/listing_file.h"

#include "clike/console.h"
#include "clike/fatal.h"
#include "common/host_path.h"
#include "common/notice.h"

namespace kz::clike {
namespace {

constexpr std::size_t kTabWidth = 8;
constexpr std::size_t kSourceIndent = 16;  // blanks before a continued source line
constexpr std::size_t kOptionIndent = 17;  // blanks before a continued option line
constexpr const char* kSummaryPrefix = "CLZEL end, ";
constexpr const char* kSummaryIndent = "           ";
constexpr const char* kColumnHeading = "Line   ISN      Source statement";

// The first byte of a two-byte Shift-JIS character.
bool isLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

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

void ListingFile::header() {
  ++page_;
  write("\f");
  if (page_ == 1) {
    write(kCopyrightNotice);
    write("\n");
    write(layout_.dateText);
    write("\n");
  }
  char text[96];
  std::snprintf(text, sizeof text, "%s %s %s     (Page %5d)     ", kBannerTitle, kVersion, "",
                page_);
  write(text);
  write(layout_.fileName);
  write("\n");
  if (page_ == 1) {
    std::string options = "Runtime option : " + layout_.programPath + " ";
    auto width = static_cast<std::size_t>(layout_.pageWidth);
    for (char c : layout_.commandText) {
      if (width > 0 && options.size() >= width) {
        write(options);
        write("\n");
        options.assign(kOptionIndent, ' ');
      }
      options += c;
    }
    write(options);
    write("\n");
  }
  write("\n");
  lineCount_ = page_ == 1 ? 3 : 1;
  if (listingSource_) {
    write(kColumnHeading);
    write("\n\n");
    lineCount_ += 3;
  }
}

void ListingFile::put(std::string_view text) {
  if (failed_) return;
  if (page_ == 0 || (layout_.pageLength > 0 && lineCount_ >= layout_.pageLength)) header();
  write(text);
  write("\n");
  ++lineCount_;
  // A failed write ends the run (once: the abort path writes to the listing too).
  if (std::ferror(stream_) != 0) {
    failed_ = true;
    raiseFatal(Message::cantWrite, toConsole() ? std::string("con") : name_);
  }
}

void ListingFile::reportLine(std::string_view text) {
  if (stream_) put(text);
}

// "%4d  %4d  " with the running and the file's line number, the include depth ("%1d=  ")
// or four blanks, then the text with its tabs expanded; broken at the page width and
// continued after 16 blanks.
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
  std::size_t start = line_.size();
  for (char c : line.text) {
    if (c == '\t') {
      line_.append(kTabWidth - (line_.size() - start) % kTabWidth, ' ');
    } else {
      line_ += c;
    }
  }
  auto width = static_cast<std::size_t>(layout_.pageWidth);
  std::string_view rest = line_;
  bool continued = false;
  std::string piece;
  while (true) {
    std::size_t room = width == 0 ? rest.size() : width - (continued ? kSourceIndent : 0);
    if (width > 0 && width <= kSourceIndent && continued) room = 1;
    if (rest.size() <= room) break;
    // A two-byte character is never split: the break moves before its first byte.
    std::size_t cut = 0;
    while (cut < room) {
      std::size_t step = isLeadByte(static_cast<unsigned char>(rest[cut])) ? 2 : 1;
      if (cut + step > room) break;
      cut += step;
    }
    if (cut == 0) cut = std::min(rest.size(), std::size_t{2});
    piece.assign(continued ? kSourceIndent : 0, ' ');
    piece += rest.substr(0, cut);
    put(piece);
    rest.remove_prefix(cut);
    continued = true;
  }
  piece.assign(continued ? kSourceIndent : 0, ' ');
  piece += rest;
  put(piece);
}

void ListingFile::messageLine(std::string_view text) {
  if (!stream_) return;
  while (!text.empty() && text.back() == '\n') text.remove_suffix(1);
  put(text);
}

void ListingFile::writeSummary(unsigned errors, unsigned warnings, unsigned registerWarnings) {
  if (!stream_) return;
  char text[96];
  put("");
  if (errors == 0 && warnings == 0 && registerWarnings == 0) {
    std::snprintf(text, sizeof text, "%sNo error", kSummaryPrefix);
    put(text);
    return;
  }
  std::snprintf(text, sizeof text, "%s%5u error(s)", kSummaryPrefix, errors);
  put(text);
  std::snprintf(text, sizeof text, "%s%5u warning(s)", kSummaryIndent, warnings);
  put(text);
  std::snprintf(text, sizeof text, "%s%5u register warning(s)", kSummaryIndent, registerWarnings);
  put(text);
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
