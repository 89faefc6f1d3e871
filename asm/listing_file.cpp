#include "asm/listing_file.h"

#include "asm/reporter.h"
#include "common/fatal_error.h"
#include "common/host_path.h"

namespace kz::assembler {
namespace {

constexpr std::size_t kListingBuffer = 1 << 16;

}  // namespace

ListingFile::ListingFile(const RunOptions& options, std::string name, std::FILE* standardOutput)
    : options_(options), name_(std::move(name)), standardOutput_(standardOutput) {}

ListingFile::~ListingFile() { close(); }

bool ListingFile::open() {
  if (deviceKindOf(name_) == DeviceKind::console) {
    stream_ = standardOutput_;
    toConsole_ = true;
    return true;
  }
  stream_ = std::fopen(withHostSeparators(name_).c_str(), "wb");
  if (stream_) std::setvbuf(stream_, nullptr, _IOFBF, kListingBuffer);
  return stream_ != nullptr;
}

bool ListingFile::close() {
  if (!stream_) return true;
  std::FILE* stream = stream_;
  stream_ = nullptr;
  if (toConsole_) return std::fflush(stream) == 0;
  return std::fclose(stream) == 0;
}

void ListingFile::writeLine(std::string_view text) {
  if (!stream_) return;
  if (std::fwrite(text.data(), 1, text.size(), stream_) != text.size() || std::fputs("\r\n", stream_) == EOF) {
    throw FatalError(23, name_, fatalExitStatus(23));
  }
  ++bodyLines_;
}

void ListingFile::writeMessageLine(std::string_view text) { writeLine(text); }

void ListingFile::writeSummary(int errorCount, int warningCount) {
  if (bodyLines_ != 0) writeLine("");
  char line[96];
  if (errorCount == 0 && warningCount == 0) {
    std::snprintf(line, sizeof line, "%s %s", "Assembly complete,", "No error");
  } else if (warningCount == 0) {
    std::snprintf(line, sizeof line, "%s %5d %s", "Assembly complete,", errorCount, "error(s)");
  } else if (errorCount == 0) {
    std::snprintf(line, sizeof line, "%s %5d %s", "Assembly complete,", warningCount, "warning error(s)");
  } else {
    std::snprintf(line, sizeof line, "%s %5d %s", "Assembly complete,", errorCount, "error(s)");
    writeLine(line);
    std::snprintf(line, sizeof line, "                   %5d %s", warningCount, "warning error(s)");
  }
  writeLine(line);
}

}  // namespace kz::assembler
