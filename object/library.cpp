#include "object/library.h"

#include "object/record_writer.h"

namespace kz::object {
namespace {

constexpr std::size_t kOffsetBytes = 4;

void appendFixedNumber(Bytes& out, std::uint64_t value) {
  out.push_back(static_cast<std::uint8_t>(kNumberLengthBase + kOffsetBytes));
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<std::uint8_t>(value >> shift));
}

}  // namespace

bool looksLikeLibrary(std::span<const std::uint8_t> bytes) {
  Cursor cursor(bytes);
  if (!cursor.expectByte(static_cast<std::uint8_t>(RecordCode::moduleBegin), "a module begin"))
    return false;
  auto processor = cursor.name("the processor name");
  return processor && *processor == kLibraryProcessor;
}

LibraryReadResult readLibrary(std::span<const std::uint8_t> bytes) {
  Cursor cursor(bytes);
  Library library;
  auto fail = [&](std::size_t offset, std::string reason) {
    cursor.fail(offset, std::move(reason));
    return LibraryReadResult{std::nullopt, cursor.failure()};
  };
  cursor.expectByte(static_cast<std::uint8_t>(RecordCode::moduleBegin),
                    "the library's module begin");
  auto processor = cursor.name("the processor name");
  auto name = cursor.name("the library name");
  if (!name) return {std::nullopt, cursor.failure()};
  if (*processor != kLibraryProcessor) return fail(0, "not a library");
  library.name = *name;
  std::unordered_map<std::uint64_t, std::size_t> memberAt;
  std::unordered_map<std::uint64_t, std::size_t> symbolAt;
  while (!cursor.failed()) {
    std::size_t start = cursor.offset();
    auto code = cursor.byte("a record code of the library index");
    if (!code) break;
    auto record = static_cast<RecordCode>(*code);
    if (record == RecordCode::moduleEnd) break;
    if (record == RecordCode::addressDescriptor) {
      cursor.number("the bits per MAU");
      cursor.number("the MAUs per address");
      if (cursor.nextIs(ElementKind::letter)) cursor.letter("the byte order");
      continue;
    }
    if (record == RecordCode::name || record == RecordCode::publicName) {
      auto index = cursor.number("the index");
      auto text = cursor.name("the name");
      if (!text) break;
      auto& table = record == RecordCode::name ? memberAt : symbolAt;
      if (table.count(index->value) != 0)
        return fail(start, "index " + std::to_string(index->value) + " named twice");
      if (record == RecordCode::name) {
        table[index->value] = library.members.size();
        library.members.push_back({*text, 0, 0});
      } else {
        table[index->value] = library.symbols.size();
        library.symbols.push_back({*text, SIZE_MAX});
      }
      continue;
    }
    if (record == RecordCode::assign) {
      auto letter = cursor.letter("the variable");
      auto index = cursor.number("the index");
      auto value = cursor.expression("the value");
      if (!value) break;
      if (*letter == 'N' && memberAt.count(index->value) != 0 && value->size() == 1 &&
          (*value)[0].kind == TermKind::number) {
        library.members[memberAt[index->value]].offset = (*value)[0].value;
        continue;
      }
      if (*letter == 'I' && symbolAt.count(index->value) != 0 && value->size() == 1 &&
          (*value)[0].kind == TermKind::variable && (*value)[0].letter == 'N' &&
          memberAt.count((*value)[0].value) != 0) {
        library.symbols[symbolAt[index->value]].second = memberAt[(*value)[0].value];
        continue;
      }
      return fail(start, "an assignment that is no member offset or symbol entry");
    }
    return fail(start, "record " + hexByte(*code) + " in the library index");
  }
  if (cursor.failed()) return {std::nullopt, cursor.failure()};
  library.indexEnd = cursor.offset();
  std::uint64_t previous = library.indexEnd;
  for (std::size_t i = 0; i < library.members.size(); ++i) {
    LibraryMember& member = library.members[i];
    if (member.offset < previous || member.offset >= bytes.size())
      return fail(library.indexEnd, "member " + member.name + " has no valid offset");
    previous = member.offset + 1;
    std::uint64_t next =
        i + 1 < library.members.size() ? library.members[i + 1].offset : bytes.size();
    member.size = next > member.offset ? next - member.offset : 0;
  }
  for (const auto& [symbol, member] : library.symbols) {
    if (member == SIZE_MAX) return fail(library.indexEnd, "symbol " + symbol + " names no member");
    if (!library.memberOfSymbol.emplace(symbol, member).second)
      return fail(library.indexEnd, "symbol " + symbol + " is listed twice");
  }
  return {std::move(library), std::nullopt};
}

Bytes writeLibrary(std::string_view name, const std::vector<LibraryInput>& members) {
  Bytes index;
  index.push_back(static_cast<std::uint8_t>(RecordCode::moduleBegin));
  appendName(index, kLibraryProcessor);
  appendName(index, name);
  index.insert(index.end(), {static_cast<std::uint8_t>(RecordCode::addressDescriptor), kBitsPerMau,
                             kMausPerAddress, letterByte(kLeastSignificantFirst)});
  std::vector<std::size_t> offsetAt;
  for (std::size_t m = 0; m < members.size(); ++m) {
    index.push_back(static_cast<std::uint8_t>(RecordCode::name));
    appendNumber(index, kFirstLibraryIndex + m);
    appendName(index, members[m].name);
    index.insert(index.end(), {static_cast<std::uint8_t>(RecordCode::assign), letterByte('N')});
    appendNumber(index, kFirstLibraryIndex + m);
    offsetAt.push_back(index.size());
    appendFixedNumber(index, 0);
  }
  std::uint64_t symbol = kFirstLibraryIndex;
  for (std::size_t m = 0; m < members.size(); ++m) {
    for (const std::string& publicName : members[m].publics) {
      index.push_back(static_cast<std::uint8_t>(RecordCode::publicName));
      appendNumber(index, symbol);
      appendName(index, publicName);
      index.insert(index.end(), {static_cast<std::uint8_t>(RecordCode::assign), letterByte('I')});
      appendNumber(index, symbol++);
      appendTerm(index, Term::localSymbol(kFirstLibraryIndex + m));
    }
  }
  index.push_back(static_cast<std::uint8_t>(RecordCode::moduleEnd));
  std::uint64_t offset = index.size();
  for (std::size_t m = 0; m < members.size(); ++m) {
    Bytes fixed;
    appendFixedNumber(fixed, offset);
    std::copy(fixed.begin(), fixed.end(), index.begin() + static_cast<std::ptrdiff_t>(offsetAt[m]));
    offset += members[m].bytes.size();
  }
  for (const LibraryInput& member : members)
    index.insert(index.end(), member.bytes.begin(), member.bytes.end());
  return index;
}

}  // namespace kz::object
