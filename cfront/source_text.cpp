#include "cfront/source_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/host_path.h"

namespace kz::cfront {
namespace {

constexpr std::size_t kBlockSize = 256 * 1024;
constexpr char kEndOfFileMark = 0x1A;
// The characters the first phases look at; the rest are copied as they are.
struct SpecialCharacters {
  constexpr explicit SpecialCharacters(bool kanji) : table{} {
    for (unsigned char c : {'?', '\\', '\r', '\n'}) table[c] = true;
    for (int c = 0; kanji && c < 256; ++c)
      table[c] = table[c] || isShiftJisLead(static_cast<unsigned char>(c));
  }
  bool table[256];
};
constexpr SpecialCharacters kSpecial(false);
constexpr SpecialCharacters kSpecialKanji(true);

std::size_t nextSpecial(std::string_view raw, std::size_t at, const SpecialCharacters& special) {
  while (at < raw.size() && !special.table[static_cast<unsigned char>(raw[at])]) ++at;
  return at;
}

char trigraphReplacement(char c) {
  switch (c) {
    case '=':
      return '#';
    case '(':
      return '[';
    case '/':
      return '\\';
    case ')':
      return ']';
    case '\'':
      return '^';
    case '<':
      return '{';
    case '!':
      return '|';
    case '>':
      return '}';
    case '-':
      return '~';
    default:
      return 0;
  }
}

}  // namespace

ReadResult readDescriptor(int fd, std::string& contents) {
  contents.clear();
  for (;;) {
    std::size_t used = contents.size();
    contents.resize(used + kBlockSize);
    ssize_t count = ::read(fd, contents.data() + used, kBlockSize);
    if (count < 0 && errno == EINTR) count = 0;
    if (count < 0) {
      contents.resize(used);
      return ReadResult::readFailed;
    }
    contents.resize(used + static_cast<std::size_t>(count));
    if (count == 0) return ReadResult::ok;
  }
}

ReadResult readRegularFile(const std::string& path, std::string& contents) {
  // Non-blocking, so that a pipe without a writer cannot stop the run before it is rejected.
  int fd = ::open(withHostSeparators(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return ReadResult::cannotOpen;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return ReadResult::cannotOpen;
  }
  contents.reserve(static_cast<std::size_t>(info.st_size) + kBlockSize + 1);
  ReadResult result = readDescriptor(fd, contents);
  ::close(fd);
  return result;
}

std::string cleanSource(std::string_view raw, bool kanji) {
  if (std::size_t mark = raw.find(kEndOfFileMark); mark != std::string_view::npos)
    raw = raw.substr(0, mark);
  std::string out;
  out.reserve(raw.size() + 2);
  std::size_t splicedNewlines = 0;
  std::size_t kanjiTail = std::string::npos;  // a '\\' there is half of a character
  for (std::size_t at = 0; at < raw.size(); ++at) {
    // Runs of ordinary characters are copied whole.
    std::size_t special = nextSpecial(raw, at, kanji ? kSpecialKanji : kSpecial);
    if (special > at) {
      out.append(raw.substr(at, special - at));
      at = special;
      if (at == raw.size()) break;
    }
    char c = raw[at];
    if (c == '?' && at + 2 < raw.size() && raw[at + 1] == '?') {
      if (char replaced = trigraphReplacement(raw[at + 2])) {
        c = replaced;
        at += 2;
      }
    } else if (c == '\r' && at + 1 < raw.size() && raw[at + 1] == '\n') {
      continue;
    } else if (kanji && isShiftJisLead(static_cast<unsigned char>(c)) && at + 1 < raw.size() &&
               raw[at + 1] != '\n' && raw[at + 1] != '\r') {
      out += c;
      out += raw[++at];
      kanjiTail = out.size() - 1;
      continue;
    }
    if (c != '\n') {
      out += c;
      continue;
    }
    if (!out.empty() && out.back() == '\\' && kanjiTail != out.size() - 1) {
      out.pop_back();
      ++splicedNewlines;
      continue;
    }
    out += '\n';
    out.append(splicedNewlines, '\n');
    splicedNewlines = 0;
  }
  if (!out.empty() && out.back() == '\\') out.pop_back();
  if (out.empty() || out.back() != '\n' || splicedNewlines > 0) out += '\n';
  out.append(splicedNewlines, '\n');
  return out;
}

}  // namespace kz::cfront
