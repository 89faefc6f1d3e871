#pragma once
// The text of one source file as the tokenizer reads it: held in a string, or, for a large
// regular file, in a private mapping of the file, whose pages come from the file cache instead
// of fresh memory. Cleaning (see source_text.h) writes only the bytes it changes, so an
// ordinary file stays a shared mapping. The text is followed by a zero byte either way.
#include <cstddef>
#include <string>
#include <string_view>

#include "common/file_mapping.h"

namespace kz::cfront {

class SourceBuffer {
 public:
  SourceBuffer() = default;
  explicit SourceBuffer(std::string text) : owned_(std::move(text)) {}

  // Maps size bytes of an open regular file; false when it cannot, and nothing is mapped.
  bool map(int fd, std::size_t size);
  // The first translation phases over the text, in place.
  void clean(bool kanji);
  std::string_view text() const {
    return mapping_.mapped() ? std::string_view(mapping_.data(), size_) : std::string_view(owned_);
  }

 private:
  std::string owned_;
  FileMapping mapping_;
  std::size_t size_ = 0;  // of the text in the mapping
};

}  // namespace kz::cfront
