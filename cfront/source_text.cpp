#include "cfront/source_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

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

// The text only shrinks until its end (a splice removes two characters and puts back one
// newline later), so it is rewritten where it stands: a file without trigraphs, carriage
// returns or splices is not copied at all.
void cleanSourceInPlace(std::string& text, bool kanji) {
  std::size_t size = std::min(text.find(kEndOfFileMark), text.size());
  char* data = text.data();
  std::string_view raw(data, size);
  const SpecialCharacters& special = kanji ? kSpecialKanji : kSpecial;
  std::size_t out = 0;
  std::size_t splicedNewlines = 0;
  std::size_t kanjiTail = std::string::npos;  // a '\\' there is half of a character
  for (std::size_t at = 0; at < size; ++at) {
    // Runs of ordinary characters are moved whole.
    std::size_t next = nextSpecial(raw, at, special);
    if (next > at) {
      if (out != at) std::memmove(data + out, data + at, next - at);
      out += next - at;
      at = next;
      if (at == size) break;
    }
    char c = data[at];
    if (c == '?' && at + 2 < size && data[at + 1] == '?') {
      if (char replaced = trigraphReplacement(data[at + 2])) {
        c = replaced;
        at += 2;
      }
    } else if (c == '\r' && at + 1 < size && data[at + 1] == '\n') {
      continue;
    } else if (kanji && isShiftJisLead(static_cast<unsigned char>(c)) && at + 1 < size &&
               data[at + 1] != '\n' && data[at + 1] != '\r') {
      data[out++] = c;
      data[out++] = data[++at];
      kanjiTail = out - 1;
      continue;
    }
    if (c != '\n') {
      data[out++] = c;
      continue;
    }
    if (out > 0 && data[out - 1] == '\\' && kanjiTail != out - 1) {
      --out;
      ++splicedNewlines;
      continue;
    }
    data[out++] = '\n';
    std::memset(data + out, '\n', splicedNewlines);
    out += splicedNewlines;
    splicedNewlines = 0;
  }
  text.resize(out);
  if (!text.empty() && text.back() == '\\') text.pop_back();
  if (text.empty() || text.back() != '\n' || splicedNewlines > 0) text += '\n';
  text.append(splicedNewlines, '\n');
}

std::string cleanSource(std::string_view raw, bool kanji) {
  std::string text(raw);
  cleanSourceInPlace(text, kanji);
  return text;
}

}  // namespace kz::cfront
