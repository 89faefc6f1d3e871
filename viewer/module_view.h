#pragma once
// The object viewer's decoding: every record of a module, one line each with its file
// offset, code and meaning, and the data of load records below their line.
#include <cstdint>
#include <optional>
#include <ostream>
#include <span>

#include "object/cursor.h"

namespace kz::viewer {

enum class Selection : std::uint8_t { everything, headersOnly, dataOnly };

struct ViewOptions {
  Selection selection = Selection::everything;
  bool rawBytes = false;  // the bytes of every record below its line
};

struct ViewResult {
  // Where and why reading stopped; empty when the module was read to its end and its
  // part pointers and blocks check out.
  std::optional<object::ReadFailure> failure;
  bool ok() const { return !failure.has_value(); }
};

ViewResult viewModule(std::span<const std::uint8_t> bytes, const ViewOptions& options,
                      std::ostream& out);
// Reads as it goes; knownSize (a regular file's size) only words the report of bytes
// after the module end.
ViewResult viewModule(object::ByteSource& source, std::optional<std::uint64_t> knownSize,
                      const ViewOptions& options, std::ostream& out);

}  // namespace kz::viewer
