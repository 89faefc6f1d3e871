#include "cfront/source_buffer.h"

#include "cfront/source_text.h"

namespace kz::cfront {

// Cleaning may add a newline, and a zero byte follows the text: both go into the zeros that
// fill the last page past the end of the file, so a file that ends within two bytes of a page
// boundary is not mapped.
bool SourceBuffer::map(int fd, std::size_t size) {
  if (size == 0 || FileMapping::roomAfter(size) < 2 || !mapping_.map(fd, size)) return false;
  owned_.clear();
  size_ = size;
  return true;
}

void SourceBuffer::clean(bool kanji) {
  if (!mapping_.mapped()) {
    cleanSourceInPlace(owned_, kanji);
    return;
  }
  char* text = mapping_.data();
  size_ = cleanSourceText(text, size_, kanji);
  if (text[size_] != '\0') text[size_] = '\0';
}

}  // namespace kz::cfront
