#pragma once
// Source files as the tokenizer sees them: read whole in large blocks, cut at the end-of-file
// mark, CR LF taken as LF, trigraphs replaced, and backslash-newline splices joined. The
// newlines a splice removes are put back right after the newline that ends the joined line,
// so line numbers stay those of the file. The text always ends with a newline.
#include <cstddef>
#include <string>
#include <string_view>

namespace kz::cfront {

enum class ReadResult { ok, cannotOpen, readFailed };

// Reads a regular file; a directory, device or pipe counts as one that cannot be opened,
// and is never waited on.
ReadResult readRegularFile(const std::string& path, std::string& contents);
class SourceBuffer;
// The same, mapping a large file instead of reading it.
ReadResult readSourceFile(const std::string& path, SourceBuffer& buffer);
// Reads a descriptor to its end (standard input).
ReadResult readDescriptor(int fd, std::string& contents);

// The first translation phases over raw file bytes; kanji keeps the second byte of a
// Shift-JIS character from joining lines.
std::string cleanSource(std::string_view raw, bool kanji);
// The same over a text read into a string, which it rewrites in place.
void cleanSourceInPlace(std::string& text, bool kanji);
// The same over size bytes, rewritten in place; the cleaned text, whose length it returns, may
// take one byte more than size.
std::size_t cleanSourceText(char* data, std::size_t size, bool kanji);

constexpr bool isShiftJisLead(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

}  // namespace kz::cfront
