#include "cfront/source_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "cfront/source_buffer.h"
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
constexpr SpecialCharacters kSpecialInLine = [] {
  SpecialCharacters special(false);
  special.table[static_cast<unsigned char>('\n')] = false;
  return special;
}();

std::size_t nextSpecial(std::string_view raw, std::size_t at, const SpecialCharacters& special) {
  while (at < raw.size() && !special.table[static_cast<unsigned char>(raw[at])]) ++at;
  return at;
}

// The bytes of a word that equal c, as their top bits. Only the lowest marked byte is sure:
// a borrow may mark a byte above it as well.
constexpr std::uint64_t kOnes = 0x0101010101010101u;
std::uint64_t bytesEqual(std::uint64_t word, char c) {
  std::uint64_t differing = word ^ (kOnes * static_cast<unsigned char>(c));
  return (differing - kOnes) & ~differing & (kOnes << 7);
}

// nextSpecial without Shift-JIS, eight bytes at a time. A newline matters only at once (it may
// end a line that a backslash splices) or while spliced newlines wait to be put back.
std::size_t nextSpecialPlain(std::string_view raw, std::size_t at, bool newlines) {
  if (at < raw.size() && raw[at] == '\n') return at;
#if defined(__SSE2__)
  // Sixteen bytes at a time where the processor compares them side by side.
  const __m128i question = _mm_set1_epi8('?');
  const __m128i backslash = _mm_set1_epi8('\\');
  const __m128i carriageReturn = _mm_set1_epi8('\r');
  const __m128i newline = _mm_set1_epi8(newlines ? '\n' : '?');
  for (; raw.size() - at >= 16; at += 16) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(raw.data() + at));
    __m128i found = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(bytes, question), _mm_cmpeq_epi8(bytes, backslash)),
        _mm_or_si128(_mm_cmpeq_epi8(bytes, carriageReturn), _mm_cmpeq_epi8(bytes, newline)));
    if (int mask = _mm_movemask_epi8(found))
      return at + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(mask)));
  }
#endif
  if constexpr (std::endian::native == std::endian::little) {
    for (; raw.size() - at >= 8; at += 8) {
      std::uint64_t word;
      std::memcpy(&word, raw.data() + at, 8);
      std::uint64_t found = bytesEqual(word, '?') | bytesEqual(word, '\\') | bytesEqual(word, '\r');
      if (newlines) found |= bytesEqual(word, '\n');
      if (found) return at + static_cast<std::size_t>(std::countr_zero(found)) / 8;
    }
  }
  return nextSpecial(raw, at, newlines ? kSpecial : kSpecialInLine);
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
    if (count < 0 && errno == EINTR) {  // a signal came before any byte: not the end
      contents.resize(used);
      continue;
    }
    if (count < 0) {
      contents.resize(used);
      return ReadResult::readFailed;
    }
    contents.resize(used + static_cast<std::size_t>(count));
    if (count == 0) return ReadResult::ok;
  }
}

namespace {

// The size the file had when it was opened is read in one piece, into text made that large once;
// a file that has grown since is read on to its end.
ReadResult readKnownSize(int fd, std::size_t size, std::string& contents) {
  contents.assign(size + 1, '\0');
  std::size_t used = 0;
  while (used < contents.size()) {
    ssize_t count = ::read(fd, contents.data() + used, contents.size() - used);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) {
      contents.resize(used);
      return count < 0 ? ReadResult::readFailed : ReadResult::ok;
    }
    used += static_cast<std::size_t>(count);
  }
  std::string rest;
  ReadResult result = readDescriptor(fd, rest);
  contents += rest;
  return result;
}

}  // namespace

namespace {

// A smaller file is read: its block costs less than setting up a mapping.
constexpr std::size_t kSmallestMappedFile = std::size_t{64} << 10;

// Non-blocking, so that a pipe without a writer cannot stop the run before it is rejected.
// -1 for a file that cannot be opened or is not a regular file.
int openRegularFile(const std::string& path, std::size_t& size) {
  int fd = ::open(withHostSeparators(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return -1;
  }
  size = static_cast<std::size_t>(info.st_size);
  return fd;
}

}  // namespace

ReadResult readRegularFile(const std::string& path, std::string& contents) {
  std::size_t size = 0;
  int fd = openRegularFile(path, size);
  if (fd < 0) return ReadResult::cannotOpen;
  ReadResult result = readKnownSize(fd, size, contents);
  ::close(fd);
  return result;
}

ReadResult readSourceFile(const std::string& path, SourceBuffer& buffer) {
  std::size_t size = 0;
  int fd = openRegularFile(path, size);
  if (fd < 0) return ReadResult::cannotOpen;
  ReadResult result = ReadResult::ok;
  if (size < kSmallestMappedFile || !buffer.map(fd, size)) {
    std::string text;
    result = readKnownSize(fd, size, text);
    buffer = SourceBuffer(std::move(text));
  }
  ::close(fd);
  return result;
}

// The text only shrinks until its end (a splice removes two characters and puts back one
// newline later), so it is rewritten where it stands. A byte is written only where it changes:
// a file without trigraphs, carriage returns or splices is left untouched, so the pages of a
// mapped file stay shared with the file.
std::size_t cleanSourceText(char* data, std::size_t size, bool kanji) {
  if (const void* mark = std::memchr(data, kEndOfFileMark, size))
    size = static_cast<std::size_t>(static_cast<const char*>(mark) - data);
  std::string_view raw(data, size);
  std::size_t out = 0;
  auto put = [&](char c) {
    if (data[out] != c) data[out] = c;
    ++out;
  };
  std::size_t splicedNewlines = 0;
  std::size_t kanjiTail = std::string::npos;  // a '\\' there is half of a character
  for (std::size_t at = 0; at < size; ++at) {
    // Runs of ordinary characters are moved whole.
    std::size_t next = kanji ? nextSpecial(raw, at, kSpecialKanji)
                             : nextSpecialPlain(raw, at, splicedNewlines > 0);
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
      put(c);
      put(data[++at]);
      kanjiTail = out - 1;
      continue;
    }
    if (c != '\n') {
      put(c);
      continue;
    }
    if (out > 0 && data[out - 1] == '\\' && kanjiTail != out - 1) {
      --out;
      ++splicedNewlines;
      continue;
    }
    put('\n');
    std::memset(data + out, '\n', splicedNewlines);
    out += splicedNewlines;
    splicedNewlines = 0;
  }
  if (out > 0 && data[out - 1] == '\\') --out;
  if (out == 0 || data[out - 1] != '\n' || splicedNewlines > 0) put('\n');
  std::memset(data + out, '\n', splicedNewlines);
  return out + splicedNewlines;
}

void cleanSourceInPlace(std::string& text, bool kanji) {
  std::size_t size = text.size();
  text.push_back('\0');  // the room a newline put at the end may take
  text.resize(cleanSourceText(text.data(), size, kanji));
}

std::string cleanSource(std::string_view raw, bool kanji) {
  std::string text(raw);
  cleanSourceInPlace(text, kanji);
  return text;
}

}  // namespace kz::cfront
