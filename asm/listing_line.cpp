#include "asm/listing_line.h"

#include <algorithm>
#include <cstdio>
#include <span>

namespace kz::assembler {
namespace {

constexpr std::size_t kRelocationColumn = 31;
constexpr std::size_t kIncludeColumn = 33;
constexpr std::size_t kLineColumn = 36;
constexpr std::size_t kCountColumn = 42;

// Makes the line end at column so that the next field starts there: blanks fill up to it; a
// field that ran past it keeps its characters (only its trailing blanks give way) and one
// blank keeps the next field apart from it.
void startField(std::string& line, std::size_t column) {
  while (line.size() > column && line.back() == ' ') line.pop_back();
  if (line.size() < column)
    line.resize(column, ' ');
  else if (!line.empty() && line.back() != ' ')
    line += ' ';
}

void place(std::string& line, std::size_t column, std::string_view text) {
  startField(line, column);
  line += text;
}

std::string formatted(const char* format, long value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string hexBytes(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (std::uint8_t byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

std::span<const std::uint8_t> shownBytes(const EmittedStatement& statement) {
  if (statement.failed) return {};
  if (statement.kind == StatementKind::instruction && statement.instruction) {
    return statement.instruction->view();
  }
  if (statement.kind == StatementKind::data) return statement.bytes;
  return {};
}

bool placesInSection(StatementKind kind) {
  switch (kind) {
    case StatementKind::instruction:
    case StatementKind::data:
    case StatementKind::storage:
    case StatementKind::origin:
    case StatementKind::align:
    case StatementKind::section:
      return true;
    default:
      return false;
  }
}

// The source text in pieces: the part that fits beside the columns on the first line, then
// pieces for the following lines. Without a width the text stays whole.
std::vector<std::string_view> sourcePieces(std::string_view source, std::size_t firstColumn,
                                           std::optional<int> lineWidth) {
  if (!lineWidth) return {source};
  auto width = static_cast<std::size_t>(*lineWidth);
  std::size_t room = width > firstColumn ? width - firstColumn : 1;
  std::size_t laterRoom = width > kSourceColumn ? width - kSourceColumn : 1;
  std::vector<std::string_view> pieces{source.substr(0, room)};
  for (std::size_t at = room; at < source.size(); at += laterRoom) {
    pieces.push_back(source.substr(at, laterRoom));
  }
  return pieces;
}

}  // namespace

std::string locationField(const EmittedStatement& statement, bool labelLine) {
  if (statement.kind == StatementKind::equate) {
    if (statement.failed || !statement.value) return {};
    return formatted(
        "  %08lX ", static_cast<unsigned long>(static_cast<std::uint32_t>(statement.value->value)));
  }
  if (statement.section == kNoSection) return {};
  if (!placesInSection(statement.kind) && !(statement.kind == StatementKind::empty && labelLine)) {
    return {};
  }
  return formatted("%08lX  ", static_cast<unsigned long>(statement.location));
}

std::vector<std::string> objectPieces(const EmittedStatement& statement) {
  std::span<const std::uint8_t> bytes = shownBytes(statement);
  std::vector<std::string> pieces;
  for (std::size_t at = 0; at < bytes.size(); at += kBytesPerLine) {
    pieces.push_back(hexBytes(bytes.subspan(at, std::min(kBytesPerLine, bytes.size() - at))));
  }
  if (!bytes.empty() && statement.kind == StatementKind::data && statement.repeat != 1) {
    pieces.push_back(formatted("(repeat %ld)", static_cast<long>(statement.repeat)));
  }
  return pieces;
}

bool needsRelocation(const EmittedStatement& statement) {
  if (shownBytes(statement).empty()) return false;
  if (statement.kind == StatementKind::data) return !statement.dataFields.empty();
  const auto fields = statement.instruction->fieldRecords();
  return std::any_of(fields.begin(), fields.end(),
                     [](const FieldRecord& field) { return field.forLinker; });
}

std::vector<std::string> formatStatementLines(const StatementColumns& columns,
                                              std::optional<int> lineWidth) {
  std::string first = columns.location;
  if (!columns.objectPieces.empty()) place(first, kObjectColumn, columns.objectPieces.front());
  if (columns.relocated) place(first, kRelocationColumn, "R");
  place(first, kIncludeColumn, formatted("+%ld ", columns.includeLevel));
  place(first, kLineColumn, formatted("%4ld  ", columns.line));
  place(first, kCountColumn, formatted("%5ld ", columns.runningCount));
  startField(first, kSourceColumn);
  std::vector<std::string_view> source = sourcePieces(columns.source, first.size(), lineWidth);
  first += source.front();

  std::vector<std::string> lines{std::move(first)};
  std::size_t count = std::max(columns.objectPieces.size(), source.size());
  for (std::size_t i = 1; i < count; ++i) {
    std::string line;
    if (i < columns.objectPieces.size()) place(line, kObjectColumn, columns.objectPieces[i]);
    if (i < source.size()) place(line, kSourceColumn, source[i]);
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace kz::assembler
