#pragma once
// The body of the assembly file, put into words as the code is generated: sections, labels,
// data objects, instructions with their source references, #asm text and debug lines, in
// the order they reach it. The text goes to work file 1, which the output stage copies
// behind the module's header once the whole source is read.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "clike/settings.h"
#include "clike/work_files.h"
#include "clike/work_records.h"

namespace kz::clike {

class BodyText {
 public:
  BodyText(const OptionSettings& options, DiskWorkFile& file) : options_(options), file_(file) {}

  // False when the work file could not take the text.
  bool record(RecordKind kind, std::string_view payload);
  // Records encoded with appendRecord, in their order.
  bool records(std::string_view encoded);
  // codeLine and label records.
  bool codeLine(std::string_view line) { return endedLine(line, {}); }
  bool label(std::string_view name) { return endedLine(name, ":"); }
  // A sourceLine record given by its fields.
  bool sourceLine(std::uint8_t depth, std::uint32_t line, std::string_view source);

 private:
  void text(std::string_view bytes) { file_.write(bytes.data(), bytes.size()); }
  // `line`, then `tail`, then the line end of an instruction or label.
  bool endedLine(std::string_view line, std::string_view tail) {
    // Nearly always the line and its end fit the work file's block: put in one piece.
    std::size_t end = referenceLength_ == 0 ? 1 : referenceLength_;
    std::size_t size = line.size() + tail.size();
    if (char* at = file_.room(size + end)) {
      copyBytes(at, line.data(), line.size());
      copyBytes(at + line.size(), tail.data(), tail.size());
      if (referenceLength_ == 0) {
        at[size] = '\n';
      } else {
        copyBytes(at + size, pendingReference_.data(), referenceLength_);
        referenceLength_ = 0;
      }
      file_.wrote(size + end);
      return true;
    }
    text(line);
    text(tail);
    endLine();
    return !file_.failed();
  }
  // The line end of an instruction or label: the pending source reference, or "\n".
  void endLine();
  void setReference(std::uint8_t depth, std::uint32_t line);
  void startItem();
  void dataItem(std::string_view directive, std::string_view value);
  void wordItem(std::string_view value);
  void section(std::string_view payload);
  void functionStart(std::string_view payload);
  void dataBytes(std::string_view payload);
  // The decimal digits of a number, at least `width` of them (zeros in front). Valid until
  // the next call.
  std::string_view decimal(std::uint32_t value, std::size_t width = 1);

  const OptionSettings& options_;
  DiskWorkFile& file_;
  // The source reference that ends the next instruction or label line: "\t\t;++%u %04u\n".
  std::array<char, 40> pendingReference_{};
  std::size_t referenceLength_ = 0;
  std::string objectName_;
  bool firstItem_ = false;
  bool inSection_ = false;
  std::string values_;
  char digits_[16];
};

}  // namespace kz::clike
