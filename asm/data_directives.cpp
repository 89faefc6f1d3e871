// The data directives of the statement processor: initialised data, storage, repeated data
// and floating-point data.
#include <algorithm>
#include <cstring>
#include <limits>

#include "asm/statement_processor.h"

namespace kz::assembler {
namespace {

constexpr std::uint32_t unitOf(DataDirective which) {
  return static_cast<std::uint32_t>(which) % 4 + 1;
}

bool isPunct(const Token& token, char c) {
  return token.kind == TokenKind::punct && token.punct == c;
}

bool fitsUnit(std::int64_t value, std::uint32_t unit) {
  if (unit >= 4) return true;
  std::int64_t low = -(std::int64_t{1} << (8 * unit - 1));
  std::int64_t high = (std::int64_t{1} << (8 * unit)) - 1;
  return value >= low && value <= high;
}

void appendLittleEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value, std::uint32_t unit) {
  for (std::uint32_t i = 0; i < unit; ++i)
    bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// The binary form of a floating value, low byte first: 4, 8 or 10 bytes.
void appendFloating(std::vector<std::uint8_t>& bytes, long double value, FloatPrecision precision) {
  unsigned char raw[sizeof(long double)] = {};
  std::size_t size = 0;
  if (precision == FloatPrecision::single) {
    float narrow = static_cast<float>(value);
    std::memcpy(raw, &narrow, size = sizeof narrow);
  } else if (precision == FloatPrecision::dbl) {
    double wide = static_cast<double>(value);
    std::memcpy(raw, &wide, size = sizeof wide);
  } else {
    static_assert(std::numeric_limits<long double>::digits == 64,
                  "extended data needs the 80-bit format");
    std::memcpy(raw, &value, sizeof value);
    size = 10;
  }
  bytes.insert(bytes.end(), raw, raw + size);
}

}  // namespace

bool StatementProcessor::placeData(bool initialised) {
  if (current_ == kNoSection) {
    formError(Message::noSectionDefinition);
    return false;
  }
  if (initialised && symbols_.sections()[current_].kind == SectionKind::data)
    warnOnce(Message::invalidDirective);
  return true;
}

void StatementProcessor::dataStatement(DataDirective which, std::span<Token> operands) {
  std::uint32_t unit = unitOf(which);
  switch (which) {
    case DataDirective::dsb:
    case DataDirective::dsw:
    case DataDirective::dsp:
    case DataDirective::dsl:
      storageStatement(unit, operands);
      return;
    case DataDirective::dfb:
    case DataDirective::dfw:
    case DataDirective::dfp:
    case DataDirective::dfl:
      repeatedStatement(unit, operands);
      return;
    default:
      break;
  }
  statement_.kind = StatementKind::data;
  if (!placeData(true)) return;
  TokenCursor cursor(operands);
  if (!dataItems(unit, unit == 1, cursor)) return;
  advance(static_cast<std::uint32_t>(statement_.bytes.size()));
}

// item {, item}: an expression, or a string where strings are allowed.
bool StatementProcessor::dataItems(std::uint32_t unit, bool stringsAllowed, TokenCursor& cursor) {
  while (true) {
    const Token& item = cursor.current();
    if (stringsAllowed && item.kind == TokenKind::string) {
      statement_.bytes.insert(statement_.bytes.end(), item.text().begin(), item.text().end());
      cursor.advance();
    } else if (item.kind == TokenKind::lineEnd || isPunct(item, ',')) {
      formError(Message::syntaxError);
      return false;
    } else {
      auto value = expression(cursor, true, true);
      appendValue(unit, value);
    }
    if (!isPunct(cursor.current(), ',')) break;
    cursor.advance();
  }
  if (cursor.current().kind != TokenKind::lineEnd) {
    formError(Message::syntaxError);
    return false;
  }
  if (statement_.bytes.size() > kMaxDataBytes) {
    if (pass_ != Pass::sizing) reporter_.reportWarning(Message::valueOutOfRange);
    statement_.bytes.resize(kMaxDataBytes);
    std::erase_if(statement_.dataFields, [](const DataField& field) {
      return field.offset + field.width > kMaxDataBytes;
    });
  }
  return true;
}

void StatementProcessor::appendValue(std::uint32_t unit, const std::optional<exprValue>& value) {
  std::uint32_t offset = static_cast<std::uint32_t>(statement_.bytes.size());
  if (!value) {
    appendLittleEndian(statement_.bytes, 0, unit);
    return;
  }
  switch (value->kind) {
    case ValueKind::absolute:
      if (!fitsUnit(value->value, unit) && pass_ != Pass::sizing && !value->forwardReference) {
        reporter_.reportWarning(Message::valueOutOfRange);
      }
      break;
    case ValueKind::floating:
      if (pass_ != Pass::sizing) reporter_.reportError(Message::absoluteExpected);
      statement_.failed = true;
      appendLittleEndian(statement_.bytes, 0, unit);
      return;
    default:
      statement_.dataFields.push_back(DataField{offset, static_cast<std::uint8_t>(unit), *value});
      break;
  }
  appendLittleEndian(statement_.bytes, static_cast<std::uint32_t>(value->value), unit);
}

// DSB ... DSD count
void StatementProcessor::storageStatement(std::uint32_t unit, std::span<Token> operands) {
  statement_.kind = StatementKind::storage;
  if (!placeData(false) || !movesLocationDespiteError()) return;
  TokenCursor cursor(operands);
  auto count = absoluteValue(cursor);
  if (!count || !requireEnd(operands, cursor.position())) return;
  if (*count < 0) {
    if (pass_ != Pass::sizing) reporter_.reportWarning(Message::valueOutOfRange);
    count = 0;
  }
  std::uint64_t bytes = std::uint64_t{static_cast<std::uint32_t>(*count)} * unit;
  statement_.skipped = static_cast<std::uint32_t>(std::min<std::uint64_t>(bytes, 0xFFFFFFFFu));
  if (!advanceUnits(static_cast<std::uint32_t>(*count), unit)) {
    statement_.failed = true;
    statement_.skipped = 0;
  }
}

// DFB ... DFD count, item {, item}
void StatementProcessor::repeatedStatement(std::uint32_t unit, std::span<Token> operands) {
  statement_.kind = StatementKind::data;
  if (!placeData(true) || !movesLocationDespiteError()) return;
  TokenCursor cursor(operands);
  auto count = absoluteValue(cursor);
  if (!count) return;
  if (!isPunct(cursor.current(), ',')) {
    formError(Message::syntaxError);
    return;
  }
  cursor.advance();
  if (!dataItems(unit, unit == 1, cursor)) return;
  if (*count < 0) {
    if (pass_ != Pass::sizing) reporter_.reportWarning(Message::valueOutOfRange);
    count = 0;
  }
  statement_.repeat = static_cast<std::uint32_t>(*count);
  // Past the end of the address space the copies are never built: error 228 says why.
  if (!advanceUnits(statement_.repeat, statement_.bytes.size())) {
    statement_.failed = true;
    statement_.repeat = 0;
  }
}

// FDATAS | FDATAD | FDATAX expression {, expression}
void StatementProcessor::floatData(FloatData which, std::span<Token> operands) {
  statement_.kind = StatementKind::data;
  if (!placeData(true)) return;
  FloatPrecision precision = which == FloatData::fdatas   ? FloatPrecision::single
                             : which == FloatData::fdatad ? FloatPrecision::dbl
                                                          : FloatPrecision::extended;
  TokenCursor cursor(operands);
  while (true) {
    ExprTree& tree = expressionTree_;
    parser().parseFloating(cursor, pass_, precision, tree);
    long double number = 0;
    if (tree.valid()) {
      exprValue value = evaluator().evaluate(tree, pass_, context(false, false));
      if (value.kind == ValueKind::floating)
        number = value.floatValue;
      else if (value.isAbsolute())
        number = value.value;
      else if (value.isValid())
        formError(Message::absoluteExpected);
    } else {
      statement_.failed = true;
    }
    appendFloating(statement_.bytes, number, precision);
    if (!isPunct(cursor.current(), ',')) break;
    cursor.advance();
  }
  if (cursor.current().kind != TokenKind::lineEnd) {
    formError(Message::syntaxError);
    return;
  }
  advance(static_cast<std::uint32_t>(statement_.bytes.size()));
}

}  // namespace kz::assembler
