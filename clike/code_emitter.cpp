#include "clike/code_emitter.h"

#include <bit>
#include <cstring>

#include "clike/preprocessor.h"
#include "common/byte_copy.h"
#include "common/short_text.h"
#include "common/varint.h"

namespace kz::clike {

// Builds "\tmnemonic\tfirst,second" (or fewer operands) into the slot, sized once.
void CodeEmitter::lineOf(Held& slot, std::string_view mnemonic, const Operand* first,
                         const Operand* second) {
  std::size_t size = 1 + mnemonic.size();
  if (first) size += 2 + first->text.size() + (second ? second->text.size() : 0);
  char* at = slot.room(size);
  auto put = [&at](std::string_view piece) {
    copyBytes(at, piece.data(), piece.size());
    at += piece.size();
  };
  *at++ = '\t';
  put(mnemonic);
  if (first && second) {
    *at++ = '\t';
    put(first->text);
    *at++ = ',';
    put(second->text);
  } else if (first) {
    *at++ = '\t';
    put(first->text);
    *at++ = '\t';
  }
}

// Eight bytes at a time: the text of nearly every line goes out without them.
std::size_t leadingBlanks(std::string_view text) {
  std::size_t first = 0;
  if constexpr (std::endian::native == std::endian::little) {
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Fu;
    // The top bit of each byte that is not zero.
    auto nonZero = [](std::uint64_t bytes) { return (((bytes & kLow7) + kLow7) | bytes) & ~kLow7; };
    for (; first + 8 <= text.size(); first += 8) {
      std::uint64_t bytes;
      std::memcpy(&bytes, text.data() + first, 8);
      std::uint64_t other = nonZero(bytes ^ (kOnes * ' ')) & nonZero(bytes ^ (kOnes * '\t'));
      if (other != 0) return first + static_cast<std::size_t>(std::countr_zero(other)) / 8;
    }
  }
  while (first < text.size() && (text[first] == ' ' || text[first] == '\t')) ++first;
  return first;
}

namespace {

bool sameOperand(const Operand& a, const Operand& b) {
  return a.kind == b.kind && a.text == b.text &&
         a.kind != OperandKind::memory;  // memory may change between two reads
}

}  // namespace

CodeEmitter::CodeEmitter(BodyText& body, EmitterChoices choices, WriteFailed writeFailed)
    : body_(body), choices_(choices), writeFailed_(std::move(writeFailed)) {}

void CodeEmitter::setNewLine(std::uint32_t line, std::uint8_t depth) {
  line_ = line;
  depth_ = depth;
  serial_ = lines_ ? lines_->lineSerial(line, depth) : 0;
}

namespace {

// "00", "01", ... "ff", one after the other.
struct HexPairs {
  char text[2 * 256];
  constexpr HexPairs() : text() {
    constexpr char kDigits[] = "0123456789abcdef";
    for (int value = 0; value < 256; ++value) {
      text[2 * value] = kDigits[value >> 4];
      text[2 * value + 1] = kDigits[value & 0xF];
    }
  }
};
constexpr HexPairs kHexPairs;

}  // namespace

// "__%04x" by hand, two digits at a time: a label is made for nearly every statement.
std::string CodeEmitter::newLabel() {
  unsigned value = labels_++ & 0xFFFFu;
  char text[6] = {'_', '_'};
  std::memcpy(text + 2, kHexPairs.text + 2 * (value >> 8), 2);
  std::memcpy(text + 4, kHexPairs.text + 2 * (value & 0xFFu), 2);
  return std::string(text, sizeof text);
}

void CodeEmitter::write(RecordKind kind, std::string_view payload) {
  if (!captures_.empty()) {
    Captured& captured = captures_.back();
    captured.last = captured.records.size();
    appendRecord(captured.records, kind, payload);
    return;
  }
  if (!body_.record(kind, payload)) writeFailed_();
}

void CodeEmitter::beginCapture() {
  flush();
  captures_.emplace_back();
  // A buffer given back by replay keeps its room for the next capture.
  if (!spareBuffers_.empty()) {
    captures_.back().records = std::move(spareBuffers_.back());
    spareBuffers_.pop_back();
  }
}

CodeEmitter::Captured CodeEmitter::endCapture() {
  flush();
  Captured captured = std::move(captures_.back());
  captures_.pop_back();
  return captured;
}

void CodeEmitter::replay(Captured&& records) {
  flush();
  if (!captures_.empty()) {
    Captured& outer = captures_.back();
    if (records.last != std::string::npos) outer.last = outer.records.size() + records.last;
    outer.records.append(records.records.view());
  } else if (!body_.records(records.records.view())) {
    writeFailed_();
  }
  // The next line written is marked again.
  markedLine_ = 0;
  records.records.clear();
  spareBuffers_.push_back(std::move(records.records));
}

bool CodeEmitter::Captured::lastCodeLine(std::string_view& payload) const {
  if (last == std::string::npos) return false;
  const auto* at = reinterpret_cast<const std::uint8_t*>(records.view().data() + last);
  if (static_cast<RecordKind>(*at++) != RecordKind::codeLine) return false;
  std::size_t length = takeVarint(at);
  payload = std::string_view(reinterpret_cast<const char*>(at), length);
  return true;
}

void CodeEmitter::markNewLine(std::uint32_t line, std::uint8_t depth, long serial) {
  markedLine_ = line;
  markedDepth_ = depth;
  // The text of a line goes out once: not again when later code comes back to it (the
  // end of a loop, a switch's dispatch written after its cases). An include file read
  // again has lines of its own. A line no longer held has no text to give.
  std::string_view source;
  if (serial > 0 && lines_) {
    std::string_view text = lines_->takeLineText(serial);
    source = text.substr(leadingBlanks(text));
  }
  if (captures_.empty()) {
    if (!body_.sourceLine(depth, line, source)) writeFailed_();
    return;
  }
  Captured& captured = captures_.back();
  captured.last = captured.records.size();
  appendSourceLine(captured.records, depth, line, source);
}

void CodeEmitter::writeHeld(const Held& held) {
  markLine(held.line, held.depth, held.serial);
  if (!captures_.empty()) {
    write(RecordKind::codeLine, held.text());
  } else if (!body_.codeLine(held.text())) {
    writeFailed_();
  }
}

void CodeEmitter::flush() {
  for (std::size_t i = 0; i < heldCount_; ++i) writeHeld(held_[i]);
  heldCount_ = 0;
}

// The line just built in the slot at heldCount_ is held (or written at once).
void CodeEmitter::hold(std::size_t mnemonicLength) {
  Held& held = held_[heldCount_];
  held.mnemonicLength = mnemonicLength;
  held.line = line_;
  held.depth = depth_;
  held.serial = serial_;
  lastMnemonic_ = held.mnemonic();
  if (!choices_.holdBack) {
    writeHeld(held);
    return;
  }
  // A load repeated at once changes nothing.
  if (heldCount_ > 0 && held.isLoad() && sameText(held_[heldCount_ - 1].text(), held.text()) &&
      held.text().find('(') == std::string_view::npos)
    return;
  if (++heldCount_ >= kHeldRun) flush();
}

void CodeEmitter::instruction(std::string_view mnemonic) {
  lineOf(lineSlot(), mnemonic, nullptr, nullptr);
  hold(mnemonic.size());
}

void CodeEmitter::instruction(std::string_view mnemonic, const Operand& only) {
  lineOf(lineSlot(), mnemonic, &only, nullptr);
  hold(mnemonic.size());
}

void CodeEmitter::instruction(std::string_view mnemonic, const Operand& first,
                              const Operand& second) {
  if (first.kind == OperandKind::none) {
    instruction(mnemonic);
    return;
  }
  if (second.kind == OperandKind::none) {
    instruction(mnemonic, first);
    return;
  }
  if (choices_.eliminate && isText(mnemonic, "ld")) {
    if (sameOperand(first, second)) return;
    bool byteMemory = first.kind == OperandKind::memory && !first.word &&
                      (first.mode == MemoryMode::direct || first.mode == MemoryMode::atHL);
    if (byteMemory && second.kind == OperandKind::immediate && second.constant &&
        second.value == 0) {
      instruction("clr", first);
      return;
    }
  }
  lineOf(lineSlot(), mnemonic, &first, &second);
  hold(mnemonic.size());
}

void CodeEmitter::codeLine(std::string_view text) {
  copyBytes(lineSlot().room(text.size()), text.data(), text.size());
  hold(text.substr(1, text.find('\t', 1) - 1).size());
}

void CodeEmitter::label(std::string_view name) {
  // A jump to the label that follows it at once is dropped.
  if (heldCount_ > 0) {
    std::string_view last = held_[heldCount_ - 1].text();
    if (last.size() == name.size() + 4 && isText(last.substr(0, 3), "\tj\t") &&
        last.back() == '\t' && sameText(last.substr(3, name.size()), name))
      --heldCount_;
  }
  flush();
  markLine(line_, depth_, serial_);
  if (!captures_.empty()) {
    write(RecordKind::label, name);
  } else if (!body_.label(name)) {
    writeFailed_();
  }
  lastMnemonic_ = {};
}

void CodeEmitter::functionStart(std::string_view name, std::uint32_t line) {
  flush();
  markLine(line_, depth_, serial_);
  payload_.clear();
  appendNumber(payload_, line);
  payload_ += name;
  write(RecordKind::functionStart, payload_);
  lastMnemonic_ = {};
}

void CodeEmitter::section(const SectionRecord& section, std::string_view name) {
  flush();
  std::string& payload = payload_;
  payload.assign(1, static_cast<char>(section.type));
  payload += static_cast<char>(section.attribute);
  payload += static_cast<char>(section.absolute);
  appendNumber(payload, section.address);
  payload += name;
  write(RecordKind::section, payload);
}

void CodeEmitter::dataName(std::string_view name) {
  flush();
  markLine(line_, depth_, serial_);
  write(RecordKind::dataName, name);
}

void CodeEmitter::dataBytes(std::string_view bytes) { write(RecordKind::dataBytes, bytes); }
void CodeEmitter::dataWord(std::string_view text) { write(RecordKind::dataWord, text); }
void CodeEmitter::dataSpace(std::uint32_t size) {
  payload_.clear();
  appendNumber(payload_, size);
  write(RecordKind::dataSpace, payload_);
}

void CodeEmitter::asmText(std::string_view text) {
  flush();
  write(RecordKind::asmText, text);
  lastMnemonic_ = {};
}

void CodeEmitter::tableText(std::string_view text) {
  flush();
  write(RecordKind::tableText, text);
}

void CodeEmitter::debugLine(std::string_view text) {
  flush();
  write(RecordKind::debugLine, text);
}

void CodeEmitter::debugLinesHere(std::string_view text) {
  flush();
  markLine(line_, depth_, serial_);
  write(RecordKind::debugLine, text);
}

}  // namespace kz::clike
