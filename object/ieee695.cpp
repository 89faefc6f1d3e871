#include "object/ieee695.h"

#include <algorithm>

namespace kz::object {
namespace {

template <class Row, class Key, class Field>
const Row* findRow(std::span<const Row> rows, Key key, Field field) {
  auto found =
      std::find_if(rows.begin(), rows.end(), [&](const Row& row) { return row.*field == key; });
  return found == rows.end() ? nullptr : &*found;
}

void appendBigEndian(Bytes& out, std::uint64_t value, std::size_t byteCount) {
  for (std::size_t shift = byteCount * 8; shift > 0; shift -= 8) {
    out.push_back(static_cast<std::uint8_t>(value >> (shift - 8)));
  }
}

template <class Visit>
void forEachSectionRelativeTerm(std::uint64_t section, std::int64_t offset, Visit&& visit) {
  visit(Term::sectionBase(section));
  if (offset != 0) {
    visit(Term::constant(offset));
    visit(Term::function(Function::add));
  }
}

}  // namespace

const ElementRange& elementRange(std::uint8_t byte) {
  for (const ElementRange& range : kElementRanges) {
    if (byte <= range.last) return range;
  }
  return kElementRanges[std::size(kElementRanges) - 1];
}

const RecordInfo* findRecord(std::uint8_t code) {
  return findRow<RecordInfo>(kRecords, static_cast<RecordCode>(code), &RecordInfo::code);
}

const FunctionInfo* findFunction(std::uint8_t code) {
  return findRow<FunctionInfo>(kFunctions, static_cast<Function>(code), &FunctionInfo::code);
}

const EscapeInfo* findEscape(std::uint64_t number) {
  if (number == 0 || number > std::size(kEscapes)) return nullptr;
  return findRow<EscapeInfo>(kEscapes, static_cast<Escape>(number), &EscapeInfo::number);
}

const VariableInfo* findVariable(char letter) {
  return findRow<VariableInfo>(kVariables, letter, &VariableInfo::letter);
}

bool variableHasIndex(char letter) {
  // A table by character code, built from kVariables: every variable term asks.
  static constexpr auto kIndexed = [] {
    std::array<bool, 0x80> indexed{};
    indexed.fill(true);
    for (const VariableInfo& info : kVariables)
      indexed[static_cast<std::size_t>(info.letter)] = info.indexed;
    return indexed;
  }();
  auto code = static_cast<unsigned char>(letter);
  return code >= kIndexed.size() || kIndexed[code];
}

constexpr bool bracketsFollowTheirChecks() {
  for (std::size_t i = 0; i < std::size(kBrackets); ++i) {
    if (static_cast<std::size_t>(kBrackets[i].check) != i) return false;
  }
  return true;
}
static_assert(bracketsFollowTheirChecks());

const BracketInfo& bracketInfo(FieldCheck check) {
  return kBrackets[static_cast<std::size_t>(check)];
}

const BracketInfo* findOpeningBracket(std::uint8_t byte) {
  return findRow<BracketInfo>(kBrackets, byte, &BracketInfo::open);
}

const AttributeInfo* findAttribute(std::uint64_t number) {
  if (number > 0xFF) return nullptr;
  return findRow<AttributeInfo>(kAttributes, static_cast<Attribute>(number),
                                &AttributeInfo::number);
}

std::string_view attributeValueMeaning(std::uint64_t attribute, std::uint64_t value) {
  for (const AttributeValueInfo& row : kAttributeValues) {
    if (static_cast<std::uint64_t>(row.attribute) == attribute && row.value == value)
      return row.meaning;
  }
  return {};
}

const BlockInfo* findBlock(std::uint64_t type) {
  if (type > 0xFF) return nullptr;
  return findRow<BlockInfo>(kBlocks, static_cast<BlockType>(type), &BlockInfo::type);
}

std::array<std::uint8_t, kPartPointerBytes> encodePartPointers(const PartOffsets& offsets) {
  std::array<std::uint8_t, kPartPointerBytes> bytes{};
  for (std::size_t part = 0; part < kPartCount; ++part) {
    std::uint8_t* row = bytes.data() + part * kPartPointerRecordSize;
    row[0] = static_cast<std::uint8_t>(RecordCode::assign);
    row[1] = letterByte('W');
    row[2] = static_cast<std::uint8_t>(part);
    row[3] = kNumberLengthBase + 4;
    for (std::size_t i = 0; i < 4; ++i)
      row[4 + i] = static_cast<std::uint8_t>(offsets[part] >> (24 - 8 * i));
  }
  return bytes;
}

Expression sectionRelative(std::uint64_t section, std::int64_t offset) {
  Expression terms;
  terms.reserve(3);
  forEachSectionRelativeTerm(section, offset, [&](const Term& term) { terms.push_back(term); });
  return terms;
}

std::size_t encodedNumberSize(std::uint64_t value) {
  if (value <= kMaxShortNumber) return 1;
  std::size_t byteCount = 1;
  while (byteCount < kMaxNumberBytes && (value >> (8 * byteCount)) != 0) ++byteCount;
  return 1 + byteCount;
}

void appendNumber(Bytes& out, std::uint64_t value) {
  std::size_t size = encodedNumberSize(value);
  if (size == 1) {
    out.push_back(static_cast<std::uint8_t>(value));
    return;
  }
  out.push_back(static_cast<std::uint8_t>(kNumberLengthBase + (size - 1)));
  appendBigEndian(out, value, size - 1);
}

void appendOmitted(Bytes& out) { out.push_back(kOmittedNumber); }

void appendName(Bytes& out, std::string_view name) {
  name = name.substr(0, kMaxNameLength);
  if (name.size() <= kMaxShortName) {
    out.push_back(static_cast<std::uint8_t>(name.size()));
  } else if (name.size() <= 0xFF) {
    out.push_back(kByteLengthName);
    out.push_back(static_cast<std::uint8_t>(name.size()));
  } else {
    out.push_back(kWordLengthName);
    appendBigEndian(out, name.size(), 2);
  }
  out.insert(out.end(), name.begin(), name.end());
}

void appendLetter(Bytes& out, char letter) { out.push_back(letterByte(letter)); }

void appendTerm(Bytes& out, const Term& term) {
  switch (term.kind) {
    case TermKind::number:
      appendNumber(out, term.value);
      if (term.negative) out.push_back(static_cast<std::uint8_t>(Function::negate));
      break;
    case TermKind::variable:
      appendLetter(out, term.letter);
      if (variableHasIndex(term.letter)) appendNumber(out, term.value);
      break;
    case TermKind::function:
      out.push_back(static_cast<std::uint8_t>(term.value));
      break;
    case TermKind::escape:
      appendNumber(out, term.value);
      out.push_back(static_cast<std::uint8_t>(Function::escape));
      break;
  }
}

void appendExpression(Bytes& out, std::span<const Term> terms) {
  for (const Term& term : terms) appendTerm(out, term);
}

void appendSectionRelative(Bytes& out, std::uint64_t section, std::int64_t offset) {
  forEachSectionRelativeTerm(section, offset, [&](const Term& term) { appendTerm(out, term); });
}

void appendRelocationItem(Bytes& out, FieldCheck check, std::span<const Term> value,
                          std::uint32_t widthInMaus) {
  openRelocationItem(out, check);
  appendExpression(out, value);
  closeRelocationItem(out, check, widthInMaus);
}

void openRelocationItem(Bytes& out, FieldCheck check) { out.push_back(bracketInfo(check).open); }

void closeRelocationItem(Bytes& out, FieldCheck check, std::uint32_t widthInMaus) {
  appendNumber(out, widthInMaus);
  out.push_back(bracketInfo(check).close);
}

}  // namespace kz::object
