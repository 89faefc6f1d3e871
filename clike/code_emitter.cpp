#include "clike/code_emitter.h"

#include <cstdio>

namespace kz::clike {
namespace {

constexpr std::size_t kHeldRun = 16;

std::string lineOf(std::string_view mnemonic, const Operand* first, const Operand* second) {
  std::string text = "\t";
  text += mnemonic;
  if (first && second) {
    text += '\t';
    text += first->text;
    text += ',';
    text += second->text;
  } else if (first) {
    text += '\t';
    text += first->text;
    text += '\t';
  }
  return text;
}

bool sameOperand(const Operand& a, const Operand& b) {
  return a.kind == b.kind && a.text == b.text &&
         a.kind != OperandKind::memory;  // memory may change between two reads
}

}  // namespace

CodeEmitter::CodeEmitter(RecordWriter& records, EmitterChoices choices, SourceLines lines,
                         WriteFailed writeFailed)
    : records_(records),
      choices_(choices),
      lines_(std::move(lines)),
      writeFailed_(std::move(writeFailed)) {}

std::string CodeEmitter::newLabel() {
  char text[16];
  std::snprintf(text, sizeof text, "__%04x", labels_++ & 0xFFFFu);
  return text;
}

void CodeEmitter::write(RecordKind kind, std::string_view payload) {
  if (!captures_.empty()) {
    captures_.back().emplace_back(kind, std::string(payload));
    return;
  }
  if (!records_.write(kind, payload)) writeFailed_();
}

void CodeEmitter::beginCapture() {
  flush();
  captures_.emplace_back();
}

CodeEmitter::Captured CodeEmitter::endCapture() {
  flush();
  Captured captured = std::move(captures_.back());
  captures_.pop_back();
  return captured;
}

void CodeEmitter::replay(const Captured& records) {
  flush();
  for (const auto& [kind, payload] : records) write(kind, payload);
  // The next line written is marked again.
  markedLine_ = 0;
}

void CodeEmitter::markLine(std::uint32_t line, std::uint8_t depth, long serial) {
  if (line == markedLine_ && depth == markedDepth_) return;
  markedLine_ = line;
  markedDepth_ = depth;
  std::string payload(1, static_cast<char>(depth));
  payload += encodeNumber(line);
  // The text of a line goes out once: not again when later code comes back to it (the
  // end of a loop, a switch's dispatch written after its cases). An include file read
  // again has lines of its own.
  if (serial > 0) {
    auto at = static_cast<std::size_t>(serial);
    if (textedLines_.size() <= at) textedLines_.resize(at + 1 + textedLines_.size() / 2);
    if (!textedLines_[at]) {
      textedLines_[at] = true;
      std::string_view text = lines_.text ? lines_.text(serial) : std::string_view();
      std::size_t first = text.find_first_not_of(" \t");
      if (first != std::string_view::npos) payload += text.substr(first);
    }
  }
  write(RecordKind::sourceLine, payload);
}

void CodeEmitter::writeHeld(const Held& held) {
  markLine(held.line, held.depth, held.serial);
  write(RecordKind::codeLine, held.text);
}

void CodeEmitter::flush() {
  for (const Held& held : held_) writeHeld(held);
  held_.clear();
}

void CodeEmitter::hold(std::string mnemonic, std::string text) {
  Held held{std::move(mnemonic), std::move(text), line_, depth_, serial_};
  lastMnemonic_ = held.mnemonic;
  if (!choices_.holdBack) {
    writeHeld(held);
    return;
  }
  // A load repeated at once changes nothing.
  if (!held_.empty() && held.mnemonic == "ld" && held_.back().text == held.text &&
      held.text.find('(') == std::string::npos)
    return;
  held_.push_back(std::move(held));
  if (held_.size() >= kHeldRun) flush();
}

void CodeEmitter::instruction(std::string_view mnemonic) {
  hold(std::string(mnemonic), lineOf(mnemonic, nullptr, nullptr));
}

void CodeEmitter::instruction(std::string_view mnemonic, const Operand& only) {
  hold(std::string(mnemonic), lineOf(mnemonic, &only, nullptr));
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
  if (choices_.eliminate && mnemonic == "ld") {
    if (sameOperand(first, second)) return;
    bool byteMemory = first.kind == OperandKind::memory && !first.word &&
                      (first.mode == MemoryMode::direct || first.mode == MemoryMode::atHL);
    if (byteMemory && second.kind == OperandKind::immediate && second.constant &&
        second.value == 0) {
      hold("clr", lineOf("clr", &first, nullptr));
      return;
    }
  }
  hold(std::string(mnemonic), lineOf(mnemonic, &first, &second));
}

void CodeEmitter::codeLine(std::string_view text) {
  std::string mnemonic(text.substr(1, text.find('\t', 1) - 1));
  hold(std::move(mnemonic), std::string(text));
}

void CodeEmitter::label(std::string_view name) {
  // A jump to the label that follows it at once is dropped.
  if (!held_.empty() && held_.back().mnemonic == "j" &&
      held_.back().text == "\tj\t" + std::string(name) + "\t")
    held_.pop_back();
  flush();
  markLine(line_, depth_, serial_);
  write(RecordKind::label, name);
  lastMnemonic_.clear();
}

void CodeEmitter::functionStart(std::string_view name, std::uint32_t line) {
  flush();
  markLine(line_, depth_, serial_);
  write(RecordKind::functionStart, encodeNumber(line) + std::string(name));
  lastMnemonic_.clear();
}

void CodeEmitter::section(const SectionRecord& section, std::string_view name) {
  flush();
  std::string payload;
  payload += static_cast<char>(section.type);
  payload += static_cast<char>(section.attribute);
  payload += static_cast<char>(section.absolute);
  payload += encodeNumber(section.address);
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
  write(RecordKind::dataSpace, encodeNumber(size));
}

void CodeEmitter::asmText(std::string_view text) {
  flush();
  write(RecordKind::asmText, text);
  lastMnemonic_.clear();
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
