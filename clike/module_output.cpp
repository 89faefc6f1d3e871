#include "clike/module_output.h"

#include <array>
#include <cstring>
#include <string_view>
#include <vector>

#include "clike/byte_copy.h"
#include "clike/console.h"

namespace kz::clike {
namespace {

constexpr int kNamesPerLine = 5;
constexpr std::size_t kBytesPerLine = 16;
constexpr std::size_t kTabWidth = 8;
constexpr std::size_t kOutputBlock = 64 * 1024;
constexpr std::size_t kNameColumns = 16;  // where the first item of a short name starts

std::string_view classWord(std::uint8_t type) {
  return type == 51 ? "romdata" : type == 52 ? "code" : "data";
}

std::string_view attributeWord(std::uint8_t attribute) {
  return attribute == 1 ? "small" : attribute == 3 ? "large" : "medium";
}

class BodyWriter {
 public:
  BodyWriter(const OptionSettings& options, std::FILE* out) : options_(options), out_(out) {}

  ~BodyWriter() { flush(); }

  void record(RecordKind kind, std::string_view payload);
  void flush() {
    std::fwrite(buffer_.data(), 1, used_, out_);
    used_ = 0;
  }

 private:
  // The many short pieces of a line are gathered and written a block at a time.
  void text(std::string_view bytes) {
    if (bytes.size() > buffer_.size() - used_) {
      flush();
      if (bytes.size() >= buffer_.size()) {
        std::fwrite(bytes.data(), 1, bytes.size(), out_);
        return;
      }
    }
    copyBytes(buffer_.data() + used_, bytes.data(), bytes.size());
    used_ += bytes.size();
  }
  // The line end of an instruction or label: the pending source reference, or "\n".
  void endLine();
  void startItem();
  void dataItem(std::string_view directive, std::string_view value);
  void wordItem(std::string_view value);
  void sourceLine(std::string_view payload);

  const OptionSettings& options_;
  std::FILE* out_;
  // The source reference that ends the next instruction or label line: "\t\t;++%u %04u\n".
  std::array<char, 40> pendingReference_{};
  std::size_t referenceLength_ = 0;
  std::string objectName_;
  bool firstItem_ = false;
  bool inSection_ = false;
  std::vector<char> buffer_ = std::vector<char>(kOutputBlock);
  std::size_t used_ = 0;
  std::string values_;
  char digits_[16];

  // The decimal digits of a number, at least `width` of them (zeros in front). Valid until
  // the next call.
  std::string_view decimal(std::uint32_t value, std::size_t width = 1) {
    char* end = digits_ + sizeof digits_;
    char* at = end;
    do {
      *--at = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value != 0);
    while (static_cast<std::size_t>(end - at) < width) *--at = '0';
    return std::string_view(at, static_cast<std::size_t>(end - at));
  }
};

void BodyWriter::endLine() {
  if (referenceLength_ == 0) {
    text("\n");
  } else {
    text(std::string_view(pendingReference_.data(), referenceLength_));
    referenceLength_ = 0;
  }
}

// Tabs before a continuation run of an object, by the columns its name took.
std::size_t continuationTabs(std::size_t nameColumns) {
  if (nameColumns <= 7) return 2;
  if (nameColumns <= 23) return 3;
  return nameColumns <= 31 ? 4 : 5;
}

// The name starts an object's first item: a tab after it, and a second one when the name
// ends before column 16, so short names line up.
void BodyWriter::startItem() {
  if (!firstItem_) return;
  firstItem_ = false;
  text(objectName_);
  std::size_t column = (objectName_.size() / kTabWidth + 1) * kTabWidth;
  text(column < kNameColumns ? "\t\t" : "\t");
}

void BodyWriter::dataItem(std::string_view directive, std::string_view value) {
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

void BodyWriter::wordItem(std::string_view value) {
  startItem();
  text("\tdw\t");
  text(value);
  text("\n");
}

// A new source line: its text at level 2, then its reference: a line directive under -g,
// else a comment after the first line made for it. Before the first section only the text
// goes out (the #asm text and macro debug lines there belong to no code).
void BodyWriter::sourceLine(std::string_view payload) {
  if (payload.size() < 5 || options_.sourceCommentLevel == 0) return;
  auto depth = static_cast<unsigned char>(payload[0]);
  std::uint32_t line = decodeNumber(payload.substr(1, 4));
  std::string_view source = payload.substr(5);
  if (options_.sourceCommentLevel == 2 && !source.empty()) {
    text(inSection_ ? ";+++ \t" : ";+++\t");
    text(source);
    text("\n");
  }
  if (!inSection_) return;
  if (options_.debugInfo == 1) {
    text("\tline \"\",");
    text(decimal(line));
    text(",0,0\n");
  } else {
    // "\t\t;++%u %04u\n", made by hand: it is written for nearly every source line.
    char* at = pendingReference_.data();
    auto put = [&at](std::string_view piece) {
      std::memcpy(at, piece.data(), piece.size());
      at += piece.size();
    };
    put("\t\t;++");
    put(decimal(depth));
    put(" ");
    put(decimal(line, 4));
    put("\n");
    referenceLength_ = static_cast<std::size_t>(at - pendingReference_.data());
  }
}

void BodyWriter::record(RecordKind kind, std::string_view payload) {
  switch (kind) {
    case RecordKind::asmText:
    case RecordKind::debugLine:
    case RecordKind::tableText:
      text(payload);
      break;
    case RecordKind::sourceLine:
      sourceLine(payload);
      break;
    case RecordKind::section: {
      if (payload.size() < kSectionRecordSize) break;
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
      break;
    }
    case RecordKind::functionStart: {
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
      break;
    }
    case RecordKind::label:
      text(payload);
      text(":");
      endLine();
      break;
    case RecordKind::codeLine:
      text(payload);
      endLine();
      break;
    case RecordKind::dataName:
      objectName_ = payload;
      firstItem_ = true;
      break;
    case RecordKind::dataBytes:
      for (std::size_t at = 0; at < payload.size(); at += kBytesPerLine) {
        values_.clear();
        for (std::size_t i = at; i < payload.size() && i < at + kBytesPerLine; ++i) {
          if (i > at) values_ += ',';
          values_ += decimal(static_cast<unsigned char>(payload[i]));
        }
        dataItem("db", values_);
      }
      break;
    case RecordKind::dataWord:
      wordItem(payload);
      break;
    case RecordKind::dataSpace:
      dataItem("dsb", decimal(decodeNumber(payload)));
      break;
  }
}

// "\textern \tmedium _a,_b" lines of five names, or "\tpublic\t_a,_b".
void writeNameLines(std::FILE* out, std::string_view head,
                    const std::vector<std::string_view>& names) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    bool first = i % kNamesPerLine == 0;
    if (first) std::fputs(std::string(head).c_str(), out);
    std::fprintf(out, "%s_%.*s", first ? "" : ",", static_cast<int>(names[i].size()),
                 names[i].data());
    if (i % kNamesPerLine == kNamesPerLine - 1 || i + 1 == names.size()) std::fputs("\n", out);
  }
}

void writeLists(const ModuleInfo& module, std::FILE* out) {
  for (SizeAttribute attribute : {SizeAttribute::tiny, SizeAttribute::near}) {
    std::vector<std::string_view> names;
    for (const SymbolEntry* symbol : module.externals) {
      if (symbol->defined) continue;
      SizeAttribute own =
          symbol->attribute == SizeAttribute::tiny ? SizeAttribute::tiny : SizeAttribute::near;
      if (own == attribute) names.push_back(symbol->name);
    }
    if (attribute == SizeAttribute::near && module.usesSwitchRoutine) names.push_back("_switch");
    writeNameLines(
        out, attribute == SizeAttribute::tiny ? "\textern \tsmall " : "\textern \tmedium ", names);
  }
  for (Area area : {Area::io, Area::area, Area::data, Area::constant, Area::code}) {
    std::vector<std::string_view> names;
    for (const SymbolEntry* symbol : module.publics) {
      bool function = symbol->area == Area::function || symbol->area == Area::secondFunction;
      Area own = function ? Area::code : symbol->area;
      if (own == area && symbol->kind == SymbolKind::global) names.push_back(symbol->name);
    }
    writeNameLines(out, "\tpublic\t", names);
    if (!names.empty()) std::fputs("\n", out);
  }
}

}  // namespace

bool writeModuleBody(const OptionSettings& options, const ModuleInfo& module, RecordReader& records,
                     std::FILE* out) {
  if (!module.writeBody) return std::ferror(out) == 0;
  if (options.debugInfo == 1) {
    std::fprintf(out, "\tfile \"%s\",0,0,0\n", module.sourcePath.c_str());
    std::fprintf(out, "\tsymbol_a \"%s\",54,415,2\n", kVersionNumber);
  }
  std::fprintf(out, "\tmodule\t%s\n", module.moduleName.c_str());
  std::fputs(module.externalDebugLines.c_str(), out);
  writeLists(module, out);
  BodyWriter body(options, out);
  RecordKind kind;
  std::string_view payload;
  while (records.next(kind, payload)) body.record(kind, payload);
  body.flush();
  return std::ferror(out) == 0;
}

}  // namespace kz::clike
