#pragma once
// Where the generated code goes: records of work file 1, in source order. Instructions are
// held back in a short run under the `u` choice of -O, so that a jump to the label right
// after it, or a load repeated at once, can be dropped before they are written; under `e`
// a load of an operand into itself is left out and storing 0 into a byte of memory is
// written as a clear.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "clike/operands.h"
#include "clike/work_records.h"

namespace kz::clike {

struct EmitterChoices {
  bool holdBack = true;    // -O u
  bool eliminate = false;  // -O e
};

class CodeEmitter {
 public:
  // The lines of the source: a line's number among all lines read (0: no longer known),
  // and the text of the line with that number.
  struct SourceLines {
    std::function<long(std::uint32_t line, std::uint8_t depth)> serial;
    std::function<std::string_view(long serial)> text;
  };
  using WriteFailed = std::function<void()>;

  CodeEmitter(RecordWriter& records, EmitterChoices choices, SourceLines lines,
              WriteFailed writeFailed);

  // The source line that later output comes from.
  void setLine(std::uint32_t line, std::uint8_t depth) {
    if (line == line_ && depth == depth_ && serial_ != 0) return;
    line_ = line;
    depth_ = depth;
    serial_ = lines_.serial ? lines_.serial(line, depth) : 0;
  }

  void instruction(std::string_view mnemonic);
  void instruction(std::string_view mnemonic, const Operand& only);
  void instruction(std::string_view mnemonic, const Operand& first, const Operand& second);
  // An instruction line written as given ("\tj\t(hl)"), for fixed sequences.
  void codeLine(std::string_view text);
  void label(std::string_view name);
  void functionStart(std::string_view name, std::uint32_t line);
  void section(const SectionRecord& section, std::string_view name);
  void dataName(std::string_view name);
  void dataBytes(std::string_view bytes);
  void dataWord(std::string_view text);
  void dataSpace(std::uint32_t size);
  void asmText(std::string_view text);
  // Complete lines of a generated table ("\tdw\t__0003\n"), written as they are.
  void tableText(std::string_view text);
  void debugLine(std::string_view text);
  // Debug lines that describe what follows from the current source line.
  void debugLinesHere(std::string_view text);
  // Writes what is held back.
  void flush();

  // Records made between beginCapture and endCapture are kept aside, to be written later
  // with replay (a jump table must follow its jump, before the code of its cases).
  using Captured = std::vector<std::pair<RecordKind, std::string>>;
  void beginCapture();
  Captured endCapture();
  void replay(const Captured& records);

  // The mnemonic of the last instruction written or held ("" after a label).
  const std::string& lastMnemonic() const { return lastMnemonic_; }
  std::string newLabel();

 private:
  struct Held {
    std::string mnemonic;
    std::string text;  // the whole line without its line end
    std::uint32_t line = 0;
    std::uint8_t depth = 0;
    long serial = 0;
  };
  void hold(std::string mnemonic, std::string text);
  void write(RecordKind kind, std::string_view payload);
  void writeHeld(const Held& held);
  void markLine(std::uint32_t line, std::uint8_t depth, long serial);

  RecordWriter& records_;
  EmitterChoices choices_;
  SourceLines lines_;
  WriteFailed writeFailed_;
  std::vector<Held> held_;
  std::vector<Captured> captures_;
  std::uint32_t line_ = 0;
  std::uint8_t depth_ = 0;
  long serial_ = 0;
  std::uint32_t markedLine_ = 0;
  std::uint8_t markedDepth_ = 0;
  std::vector<bool> textedLines_;  // by the line's serial number: its text was written
  std::string lastMnemonic_;
  unsigned labels_ = 0;
};

}  // namespace kz::clike
