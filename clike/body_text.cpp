#include "clike/body_text.h"

#include <cstdio>
#include <cstring>

#include "common/byte_copy.h"
#include "common/decimal_digits.h"
#include "common/varint.h"

namespace kz::clike {
namespace {

constexpr std::size_t kBytesPerLine = 16;
constexpr std::size_t kTabWidth = 8;
constexpr std::size_t kNameColumns = 16;  // where the first item of a short name starts

std::string_view classWord(std::uint8_t type) {
  return type == 51 ? "romdata" : type == 52 ? "code" : "data";
}

std::string_view attributeWord(std::uint8_t attribute) {
  return attribute == 1 ? "small" : attribute == 3 ? "large" : "medium";
}

// Tabs before a continuation run of an object, by the columns its name took.
std::size_t continuationTabs(std::size_t nameColumns) {
  if (nameColumns <= 7) return 2;
  if (nameColumns <= 23) return 3;
  return nameColumns <= 31 ? 4 : 5;
}

}  // namespace

// A number is written for nearly every source line.
std::string_view BodyText::decimal(std::uint32_t value, std::size_t width) {
  char* end = digits_ + sizeof digits_;
  char* at = decimalDigitsBefore(end, value);
  while (static_cast<std::size_t>(end - at) < width) *--at = '0';
  return std::string_view(at, static_cast<std::size_t>(end - at));
}

void BodyText::endLine() {
  if (referenceLength_ == 0) {
    text("\n");
  } else {
    text(std::string_view(pendingReference_.data(), referenceLength_));
    referenceLength_ = 0;
  }
}

// The name starts an object's first item: a tab after it, and a second one when the name
// ends before column 16, so short names line up.
void BodyText::startItem() {
  if (!firstItem_) return;
  firstItem_ = false;
  text(objectName_);
  std::size_t column = (objectName_.size() / kTabWidth + 1) * kTabWidth;
  text(column < kNameColumns ? "\t\t" : "\t");
}

void BodyText::dataItem(std::string_view directive, std::string_view value) {
  if (firstItem_) {
    startItem();
  } else {
    text(std::string_view("\t\t\t\t\t", continuationTabs(objectName_.size())));
  }
  text(directive);
  text("\t");
  text(value);
  text("\n");
}

void BodyText::wordItem(std::string_view value) {
  startItem();
  text("\tdw\t");
  text(value);
  text("\n");
}

// A new source line: its text at level 2, then its reference: a line directive under -g,
// else a comment after the first line made for it. Before the first section only the text
// goes out (the #asm text and macro debug lines there belong to no code).
bool BodyText::sourceLine(std::uint8_t depth, std::uint32_t line, std::string_view source) {
  if (options_.sourceCommentLevel == 0) return true;
  if (options_.sourceCommentLevel == 2 && !source.empty()) {
    putPieces(inSection_ ? ";+++ \t" : ";+++\t", source, "\n");
  }
  if (!inSection_) return !file_.failed();
  if (options_.debugInfo == 1) {
    text("\tline \"\",");
    text(decimal(line));
    text(",0,0\n");
  } else {
    setReference(depth, line);
  }
  return !file_.failed();
}

// "\t\t;++%u %04u\n", made by hand: it is written for nearly every source line, nearly always
// with one digit of depth. A line below 10000 is one group of four digits, zeros in front.
void BodyText::setReference(std::uint8_t depth, std::uint32_t line) {
  char* at = pendingReference_.data();
  copyBytes(at, "\t\t;++", 5);
  if (depth < 10 && line < 100000000) {
    at[5] = static_cast<char>('0' + depth);
    at[6] = ' ';
    char* digits = at + 7;
    if (line >= 10000) digits = decimal::smallFrom(digits, line / 10000);
    std::memcpy(digits, decimal::group(line % 10000), 4);
    digits[4] = '\n';
    referenceLength_ = static_cast<std::size_t>(digits + 5 - at);
    return;
  }
  at += 5;
  auto put = [&at](std::string_view piece) {
    copyBytes(at, piece.data(), piece.size());
    at += piece.size();
  };
  put(decimal(depth));
  put(" ");
  put(decimal(line, 4));
  put("\n");
  referenceLength_ = static_cast<std::size_t>(at - pendingReference_.data());
}

void BodyText::section(std::string_view payload) {
  if (payload.size() < kSectionRecordSize) return;
  auto type = static_cast<std::uint8_t>(payload[0]);
  auto attribute = static_cast<std::uint8_t>(payload[1]);
  bool absolute = payload[2] != 0;
  std::uint32_t address = decodeNumber(payload.substr(3, 4));
  std::string name(payload.substr(kSectionRecordSize));
  char line[160];
  if (absolute) {
    std::snprintf(line, sizeof line, "\n%s\tsection %s abs = 0x%lx\n", name.c_str(),
                  std::string(classWord(type)).c_str(), static_cast<unsigned long>(address));
  } else {
    std::snprintf(line, sizeof line, "\n%s\tsection %s %s\n", name.c_str(),
                  std::string(classWord(type)).c_str(),
                  std::string(attributeWord(attribute)).c_str());
  }
  text(line);
  inSection_ = true;
}

void BodyText::functionStart(std::string_view payload) {
  std::string name(payload.size() > 4 ? payload.substr(4) : std::string_view());
  if (options_.debugInfo == 1) {
    char line[128];
    std::snprintf(line, sizeof line, "\tsymbol_b \"%s\",1,%u,1\n", name.substr(1).c_str(),
                  decodeNumber(payload));
    text(line);
  }
  text(name);
  text(":");
  endLine();
}

void BodyText::dataBytes(std::string_view payload) {
  for (std::size_t at = 0; at < payload.size(); at += kBytesPerLine) {
    values_.clear();
    for (std::size_t i = at; i < payload.size() && i < at + kBytesPerLine; ++i) {
      if (i > at) values_ += ',';
      values_ += decimal(static_cast<unsigned char>(payload[i]));
    }
    dataItem("db", values_);
  }
}

bool BodyText::record(RecordKind kind, std::string_view payload) {
  switch (kind) {
    case RecordKind::asmText:
    case RecordKind::debugLine:
    case RecordKind::tableText:
      text(payload);
      break;
    case RecordKind::sourceLine:
      if (payload.size() >= 5) {
        sourceLine(static_cast<std::uint8_t>(payload[0]),
                   decodeNumber(std::string_view(payload.data() + 1, 4)),
                   std::string_view(payload.data() + 5, payload.size() - 5));
      }
      break;
    case RecordKind::section:
      section(payload);
      break;
    case RecordKind::functionStart:
      functionStart(payload);
      break;
    case RecordKind::label:
      return label(payload);
    case RecordKind::codeLine:
      putCodeLine(payload);
      break;
    case RecordKind::dataName:
      objectName_ = payload;
      firstItem_ = true;
      break;
    case RecordKind::dataBytes:
      dataBytes(payload);
      break;
    case RecordKind::dataWord:
      wordItem(payload);
      break;
    case RecordKind::dataSpace:
      dataItem("dsb", decimal(decodeNumber(payload)));
      break;
  }
  return !file_.failed();
}

bool BodyText::records(std::string_view encoded) {
  const auto* at = reinterpret_cast<const std::uint8_t*>(encoded.data());
  const auto* end = at + encoded.size();
  while (at < end) {
    auto kind = static_cast<RecordKind>(*at++);
    auto size = static_cast<std::size_t>(takeVarint(at));
    std::string_view payload(reinterpret_cast<const char*>(at), size);
    at += size;
    // Nearly every record of captured code is a line of it.
    if (kind == RecordKind::codeLine) {
      putCodeLine(payload);
    } else {
      record(kind, payload);
    }
  }
  return !file_.failed();
}

}  // namespace kz::clike
