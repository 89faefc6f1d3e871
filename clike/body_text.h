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
  bool codeLine(std::string_view line) {
    putCodeLine(line);
    return !file_.failed();
  }
  bool label(std::string_view name) { return endedLine(name, ":"); }
  // A sourceLine record given by its fields.
  bool sourceLine(std::uint8_t depth, std::uint32_t line, std::string_view source);

 private:
  void text(std::string_view bytes) { file_.write(bytes.data(), bytes.size()); }
  // `line`, then `tail`, then the line end of an instruction or label.
  bool endedLine(std::string_view line, std::string_view tail) {
    std::string_view end = referenceLength_ == 0
                               ? std::string_view("\n")
                               : std::string_view(pendingReference_.data(), referenceLength_);
    putPieces(line, tail, end);
    referenceLength_ = 0;
    return !file_.failed();
  }
  // An instruction line and its line end, the one record made for nearly every line of code.
  void putCodeLine(std::string_view line) {
    std::size_t endSize = referenceLength_ == 0 ? 1 : referenceLength_;
    char* at = file_.room(line.size() + endSize);
    if (!at) {
      endedLine(line, {});
      return;
    }
    copyBytes(at, line.data(), line.size());
    if (referenceLength_ == 0) {
      at[line.size()] = '\n';
    } else {
      copyBytes(at + line.size(), pendingReference_.data(), referenceLength_);
      referenceLength_ = 0;
    }
    file_.wrote(line.size() + endSize);
  }
  // Nearly always the pieces fit the work file's block: they are put there in one go.
  void putPieces(std::string_view first, std::string_view second, std::string_view third) {
    std::size_t size = first.size() + second.size() + third.size();
    if (char* at = file_.room(size)) {
      copyBytes(at, first.data(), first.size());
      copyBytes(at + first.size(), second.data(), second.size());
      copyBytes(at + first.size() + second.size(), third.data(), third.size());
      file_.wrote(size);
      return;
    }
    text(first);
    text(second);
    text(third);
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
