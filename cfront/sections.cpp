#include "cfront/sections.h"

#include <cctype>

namespace kz::cfront {
namespace {

constexpr std::array<std::string_view, 4> kSizeWords = {"tiny", "near", "far", "compact"};
constexpr std::array<std::string_view, 5> kKindWords = {"code", "data", "area", "const", "io"};

struct BuiltInName {
  SectionKind kind;
  SizeWord size;
  std::string_view name;
};

constexpr std::array<BuiltInName, 6> kBuiltInNames = {{
    {SectionKind::code, SizeWord::near, "n_code"},
    {SectionKind::data, SizeWord::tiny, "t_data"},
    {SectionKind::data, SizeWord::near, "n_data"},
    {SectionKind::area, SizeWord::tiny, "t_area"},
    {SectionKind::area, SizeWord::near, "n_area"},
    {SectionKind::constant, SizeWord::near, "n_const"},
}};
constexpr std::string_view kBuiltInIoName = "io";

std::size_t indexOf(SectionKind kind) { return static_cast<std::size_t>(kind); }

std::string recordHead(SectionKind kind, std::string_view name) {
  return "\tN," + std::to_string(indexOf(kind)) + "," + std::string(name);
}

}  // namespace

std::optional<SizeWord> sizeWordOf(std::string_view text) {
  for (std::size_t i = 0; i < kSizeWords.size(); ++i)
    if (text == kSizeWords[i]) return static_cast<SizeWord>(i);
  return std::nullopt;
}

char sizeLetter(SizeWord size) { return kSizeWords[static_cast<std::size_t>(size)][0]; }

std::optional<SectionKind> sectionKindOf(std::string_view word) {
  for (std::size_t i = 0; i < kKindWords.size(); ++i)
    if (word == kKindWords[i]) return static_cast<SectionKind>(i);
  return std::nullopt;
}

bool isSectionName(std::string_view name) {
  if (name.empty()) return false;
  unsigned char first = static_cast<unsigned char>(name[0]);
  return first == '_' || (first < 0x80 && std::isalpha(first));
}

bool sectionSizeAllowed(SectionKind kind, SizeWord size) {
  if (size == SizeWord::near) return true;
  return size == SizeWord::tiny && (kind == SectionKind::data || kind == SectionKind::area);
}

SectionTable::SectionTable() : ioName_(kBuiltInIoName) {
  current_.fill(SizeWord::near);
  for (const BuiltInName& entry : kBuiltInNames) slot(entry.kind, entry.size) = entry.name;
}

std::string& SectionTable::slot(SectionKind kind, SizeWord size) {
  return names_[indexOf(kind)][static_cast<std::size_t>(size)];
}

const std::string& SectionTable::nameOf(SectionKind kind, SizeWord size) const {
  if (kind == SectionKind::io) return ioName_;
  return names_[indexOf(kind)][static_cast<std::size_t>(size)];
}

SizeWord SectionTable::currentSize(SectionKind kind) const {
  return kind == SectionKind::io ? SizeWord::near : current_[indexOf(kind)];
}

void SectionTable::applyOptions(const std::vector<SectionOption>& options,
                                Diagnostics& diagnostics) {
  for (const SectionOption& option : options) {
    if (option.size && !sectionSizeAllowed(option.kind, *option.size)) {
      diagnostics.report(Message::illegalSectionSize);
      continue;
    }
    if (!option.givesName) {  // -ZT and the like: the size alone
      current_[indexOf(option.kind)] = *option.size;
      continue;
    }
    if (!isSectionName(option.name)) {
      diagnostics.report(Message::illegalOption, {option.optionName});
      continue;
    }
    namedByOption_[indexOf(option.kind)] = true;
    if (option.kind == SectionKind::io)
      ioName_ = option.name;
    else
      slot(option.kind, option.size.value_or(currentSize(option.kind))) = option.name;
  }
}

std::string SectionTable::namedLine(SectionKind kind, SizeWord size) const {
  return recordHead(kind, nameOf(kind, size)) + "," + sizeLetter(size) + "\n";
}

std::string SectionTable::startUpRecords() const {
  std::string records;
  for (std::size_t kind = 0; kind < kSizedKinds; ++kind) {
    if (!namedByOption_[kind]) continue;
    for (std::size_t size = 0; size < kSizeWords.size(); ++size)
      if (!names_[kind][size].empty())
        records += namedLine(static_cast<SectionKind>(kind), static_cast<SizeWord>(size));
  }
  if (namedByOption_[indexOf(SectionKind::io)])
    records += recordHead(SectionKind::io, ioName_) + "\n";
  return records;
}

std::string SectionTable::select(SectionKind kind, std::optional<std::string_view> name,
                                 std::optional<SizeWord> size,
                                 std::optional<unsigned long> number) {
  std::string records;
  if (kind == SectionKind::io) {
    if (name) ioName_ = *name;
    records = recordHead(kind, ioName_);
  } else {
    SizeWord chosen = size.value_or(currentSize(kind));
    if (chosen != currentSize(kind)) {
      for (std::size_t other = 0; other < kSizeWords.size(); ++other)
        if (other != static_cast<std::size_t>(chosen) && !names_[indexOf(kind)][other].empty())
          records += namedLine(kind, static_cast<SizeWord>(other));
    }
    current_[indexOf(kind)] = chosen;
    if (name) slot(kind, chosen) = *name;
    records += recordHead(kind, nameOf(kind, chosen)) + "," + sizeLetter(chosen);
  }
  if (number) records += "," + std::to_string(*number);
  return records + "\n";
}

}  // namespace kz::cfront
