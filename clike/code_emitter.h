#pragma once
// Where the generated code goes: records for the body text, in source order. Instructions are
// held back in a short run under the `u` choice of -O, so that a jump to the label right
// after it, or a load repeated at once, can be dropped before they are written; under `e`
// a load of an operand into itself is left out and storing 0 into a byte of memory is
// written as a clear.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "clike/body_text.h"
#include "clike/operands.h"
#include "clike/work_records.h"

namespace kz::clike {

class Preprocessor;

// The number of spaces and tabs `text` starts with.
std::size_t leadingBlanks(std::string_view text);

struct EmitterChoices {
  bool holdBack = true;    // -O u
  bool eliminate = false;  // -O e
};

class CodeEmitter {
 public:
  using WriteFailed = std::function<void()>;

  CodeEmitter(BodyText& body, EmitterChoices choices, WriteFailed writeFailed);

  // The source lines' numbers among all lines read, and their texts, come from the
  // preprocessor once there is one; until then no line has a number.
  void setSourceLines(Preprocessor& lines) { lines_ = &lines; }

  // The source line that later output comes from.
  void setLine(std::uint32_t line, std::uint8_t depth) {
    if (line == line_ && depth == depth_ && serial_ != 0) return;
    setNewLine(line, depth);
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

  // Records made between beginCapture and endCapture are kept aside, encoded, to be written
  // later with replay (a jump table must follow its jump, before the code of its cases).
  struct Captured {
    RecordBuffer records;
    std::size_t last = std::string::npos;  // where the last record starts
    bool empty() const { return records.empty(); }
    // The payload of the last record when that is a code line.
    bool lastCodeLine(std::string_view& payload) const;
    void dropLast() {
      records.truncate(last);
      last = std::string::npos;
    }
  };
  void beginCapture();
  Captured endCapture();
  // The records are used up: their buffer serves a later capture.
  void replay(Captured&& records);

  // The mnemonic of the last instruction written or held ("" after a label).
  std::string_view lastMnemonic() const { return lastMnemonic_; }
  std::string newLabel();

 private:
  // Held lines live in a fixed run of slots with room of their own, so holding a line costs
  // no allocation; a line too long for the room goes to the slot's string, which keeps its
  // room too.
  struct Held {
    static constexpr std::size_t kRoom = 80;
    std::array<char, kRoom> bytes;
    std::string longer;
    std::size_t length = 0;
    bool isLonger = false;
    std::size_t mnemonicLength = 0;
    std::uint32_t line = 0;
    std::uint8_t depth = 0;
    long serial = 0;
    // The whole line without its line end: a tab, the mnemonic, ...
    std::string_view text() const {
      return isLonger ? std::string_view(longer) : std::string_view(bytes.data(), length);
    }
    // Room for a line of `size` bytes, which the caller fills.
    char* room(std::size_t size) {
      isLonger = size > kRoom;
      if (!isLonger) {
        length = size;
        return bytes.data();
      }
      longer.resize(size);
      return longer.data();
    }
    std::string_view mnemonic() const { return text().substr(1, mnemonicLength); }
    // An "ld" line; asked of every line held, so not compared as a string.
    bool isLoad() const {
      const char* line = isLonger ? longer.data() : bytes.data();
      return mnemonicLength == 2 && line[1] == 'l' && line[2] == 'd';
    }
  };
  static constexpr std::size_t kHeldRun = 16;
  // The slot the next line is built in.
  Held& lineSlot() { return held_[heldCount_]; }
  static void lineOf(Held& slot, std::string_view mnemonic, const Operand* first,
                     const Operand* second);
  void hold(std::size_t mnemonicLength);
  void write(RecordKind kind, std::string_view payload);
  void writeHeld(const Held& held);
  // Most lines of code come from the line marked last: that is seen here, without a call.
  void markLine(std::uint32_t line, std::uint8_t depth, long serial) {
    if (line != markedLine_ || depth != markedDepth_) markNewLine(line, depth, serial);
  }
  void markNewLine(std::uint32_t line, std::uint8_t depth, long serial);
  void setNewLine(std::uint32_t line, std::uint8_t depth);

  BodyText& body_;
  EmitterChoices choices_;
  Preprocessor* lines_ = nullptr;
  WriteFailed writeFailed_;
  std::array<Held, kHeldRun> held_{};
  std::size_t heldCount_ = 0;
  std::vector<Captured> captures_;
  std::vector<RecordBuffer> spareBuffers_;
  std::string payload_;  // a record's payload while it is put together
  std::uint32_t line_ = 0;
  std::uint8_t depth_ = 0;
  long serial_ = 0;
  std::uint32_t markedLine_ = 0;
  std::uint8_t markedDepth_ = 0;
  // Within the slot of that instruction, which keeps its text until the next line is built.
  std::string_view lastMnemonic_;
  unsigned labels_ = 0;
};

}  // namespace kz::clike
