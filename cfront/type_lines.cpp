#include "cfront/type_lines.h"

#include <cstring>
#include <stdexcept>
#include <vector>

#include "cfront/diagnostics.h"
#include "cfront/identifiers.h"
#include "cfront/line_buffer.h"
#include "common/decimal_digits.h"

namespace kz::cfront {
namespace {

constexpr std::uint32_t kIntIndex = 6;
constexpr std::uint32_t kLastBasicIndex = 12;
constexpr std::uint32_t kFarPointerBase = 16;
constexpr std::uint32_t kNearPointerBase = 32;
constexpr std::uint8_t kLowBitFirst = 0x20;  // -gb

// Basic types are numbered in TypeKind order from 1.
std::uint32_t basicIndex(TypeKind kind) { return static_cast<std::uint32_t>(kind) + 1; }

bool isBasicKind(TypeKind kind) { return kind <= TypeKind::longDouble; }

char pointerLetter(SizeWord memory) {
  return memory == SizeWord::far || memory == SizeWord::compact ? 'p' : 'o';
}

std::string quoted(std::string_view name) {
  std::string text = "\"";
  text.append(name.substr(0, 31));
  text += '"';
  return text;
}

// A derived type's line body, put together in place.
class Body {
 public:
  // A literal of N - 1 characters.
  template <std::size_t N>
  Body& append(const char (&text)[N]) {
    if (length_ + N - 1 > kLongestDerivedBody) tooLong();
    std::memcpy(text_ + length_, text, N - 1);
    length_ += N - 1;
    return *this;
  }
  Body& put(char c) {
    if (length_ == kLongestDerivedBody) tooLong();
    text_[length_++] = c;
    return *this;
  }
  Body& number(std::uint32_t value) {
    length_ = static_cast<std::size_t>(decimalDigitsFrom(text_ + length_, value) - text_);
    if (length_ > kLongestDerivedBody) tooLong();
    return *this;
  }
  Body& signedNumber(int value) {
    if (value < 0) put('-');
    return number(value < 0 ? 0u - static_cast<std::uint32_t>(value)
                            : static_cast<std::uint32_t>(value));
  }
  std::string_view text() const { return {text_, length_}; }

 private:
  [[noreturn]] static void tooLong() { throw std::length_error("type line"); }

  char text_[kLongestDerivedBody + kLongestDecimal];  // digits may be written past the end
  std::size_t length_ = 0;
};

// "\t<index>,<body>\n", put together on the stack when it is short, as nearly all are.
void writeLine(LineSink& out, std::uint32_t index, std::string_view body) {
  char line[128];
  constexpr std::size_t kFrame = 1 + kLongestDecimal + 2;  // the tab, index, comma and newline
  if (body.size() > sizeof line - kFrame) {
    out.write("\t" + std::to_string(index) + "," + std::string(body) + "\n");
    return;
  }
  line[0] = '\t';
  char* end = decimalDigitsFrom(line + 1, index);
  *end++ = ',';
  end = copyShort(end, body);
  *end++ = '\n';
  out.write(std::string_view(line, static_cast<std::size_t>(end - line)));
}

// A member or enumerator line: no index of its own.
void writeEntry(LineSink& out, std::string_view name, const std::string& rest) {
  out.write("\t," + quoted(name) + "," + rest + "\n");
}

CallConvention conventionOf(const FunctionInfo* function, const RunOptions& options) {
  if (function && function->convention != CallConvention::none) return function->convention;
  return options.defaultCallConv == 'a' ? CallConvention::adecl : CallConvention::cdecl;
}

}  // namespace

int parameterField(const FunctionInfo* function) {
  if (!function || !function->hasPrototype) return kNoPrototype;
  int fixed = static_cast<int>(function->parameters.size());
  return function->variadic ? -2 - fixed : fixed;
}

namespace {

void appendAttribute(Body& body, const FunctionInfo* function, const RunOptions& options) {
  bool callv = function && function->callv;
  int bank = function ? function->bank : -1;
  switch (conventionOf(function, options)) {
    case CallConvention::adecl:
      callv ? body.append("Va") : body.append("a");
      break;
    case CallConvention::interrupt:
      body.append("i");
      break;
    case CallConvention::interruptN:
      body.append("Ni");
      break;
    case CallConvention::regbank:
      body.signedNumber(bank);
      break;
    case CallConvention::regbankN:
      body.put('N').signedNumber(bank);
      break;
    default:
      callv ? body.append("Vc") : body.append("c");
      break;
  }
}

}  // namespace

std::string attributeText(const FunctionInfo* function, const RunOptions& options) {
  Body body;
  appendAttribute(body, function, options);
  return std::string(body.text());
}

// By default a bit field's first bit is counted from the most significant bit of its
// container, the container's bytes taken highest first: b = (-(s + w)) mod 8 within the byte
// that holds the field's highest bit m, plus 8 for each byte above that one.
std::uint32_t memberPosition(const Member& member, const RunOptions& options) {
  if (!member.isBitField) return member.offset;
  std::uint32_t bytePosition = 8 * member.offset;
  std::uint32_t first = member.bitOffset;
  if ((options.debugFlags & kLowBitFirst) != 0) return bytePosition + first % 8;
  std::uint32_t end = first + member.bitWidth;
  std::uint32_t bit = (8 - end % 8) % 8;
  std::uint32_t container = sizeOf(member.type);
  std::uint32_t highestByte = end == 0 ? 0 : (end - 1) / 8;
  if (container > highestByte + 1) bit += 8 * (container - 1 - highestByte);
  return bytePosition + bit;
}

TypeLines::TypeLines(const RunOptions& options, Diagnostics& diagnostics)
    : options_(options), diagnostics_(diagnostics) {
  file_.next = options.builtinMake ? kFirstLocalTypeIndex : kFirstFileTypeIndex;
  file_.limit = options.builtinMake ? kLocalTypeIndexLimit : kFileTypeIndexLimit;
}

void TypeLines::enterFunctionBody() {
  local_.next = kFirstLocalTypeIndex;
  local_.limit = kLocalTypeIndexLimit;
  local_.derived.clear();
  local_.records.clear();
  inBody_ = true;
  known_.newStretch();
}

void TypeLines::leaveFunctionBody() {
  local_.derived.clear();
  local_.records.clear();
  inBody_ = false;
  known_.newStretch();
}

std::uint32_t TypeLines::take(Scope& scope) {
  if (scope.next >= scope.limit)
    diagnostics_.report(Message::tooManyInternalVariables, {"TYPE-INDEX"});
  return scope.next++;
}

std::uint32_t TypeLines::indexOf(TypeRef type, LineSink& out, bool* lasting) {
  unsettled_ = false;
  std::uint32_t found = index(type, current(), out);
  if (lasting) *lasting = !unsettled_ && mayLast(found);
  return found;
}

// What indexOf() does, without asking the cache again for an index that lasts: the look-up in
// the stretch has found none.
std::uint32_t TypeLines::newIndexInStretch(TypeRef type, LineSink& out) {
  unsettled_ = false;
  std::uint32_t found = freshIndex(type, current(), out);
  if (!unsettled_ && mayLast(found))
    known_.remember(type, found, true);
  else if (!type->record || type->record->complete)  // a struct without its body is asked anew
    known_.remember(type, found, false);
  return found;
}

std::uint32_t TypeLines::declareTypedef(std::string_view name, TypeRef type, LineSink& out) {
  Scope& scope = current();
  std::uint32_t named = index(type, scope, out);
  std::uint32_t alias = take(scope);
  writeLine(out, alias, "t," + quoted(name) + "," + std::to_string(named));
  return alias;
}

std::uint32_t TypeLines::writeDefinedFunction(TypeRef function, std::string_view name,
                                              LineSink& out) {
  Scope& scope = current();
  const FunctionInfo* info = function->function;
  std::uint32_t returns = index(info ? info->returnType : function->target, scope, out);
  if (info)
    for (const Parameter& parameter : info->parameters) index(parameter.type, scope, out);
  std::uint32_t own = take(scope);
  writeLine(out, own,
            "x," + quoted(name) + "," + attributeText(info, options_) + "," +
                std::to_string(returns) + "," + std::to_string(parameterField(info)));
  return own;
}

// Each type asks again for the types it is made of; the answers that last are kept, so a type
// made anew in each function body does not look its parts up again every time.
std::uint32_t TypeLines::index(TypeRef type, Scope& scope, LineSink& out) {
  if (!type) return kIntIndex;  // what an earlier error left
  if (std::uint32_t known = known_.lasting(type)) return known;
  bool outer = unsettled_;
  unsettled_ = false;
  std::uint32_t found = freshIndex(type, scope, out);
  if (!unsettled_ && mayLast(found)) known_.remember(type, found, true);
  unsettled_ = unsettled_ || outer;
  return found;
}

std::uint32_t TypeLines::freshIndex(TypeRef type, Scope& scope, LineSink& out) {
  std::uint32_t base = unqualifiedIndex(type, scope, out);
  std::uint8_t qualifiers = type->qualifiers & (qualifier::kConst | qualifier::kVolatile);
  if (qualifiers == 0 || type->kind == TypeKind::function) return base;
  return qualifiedIndex(base, qualifiers, scope, out);
}

std::uint32_t TypeLines::unqualifiedIndex(TypeRef type, Scope& scope, LineSink& out) {
  if (isBasicKind(type->kind)) return basicIndex(type->kind);
  switch (type->kind) {
    case TypeKind::pointer:
      return pointerIndex(type, scope, out);
    case TypeKind::array: {
      std::uint32_t element = index(type->target, scope, out);
      Body body;
      body.append("a,").number(element).append(",1,").number(type->count);
      return derived(body.text(), scope, out);
    }
    case TypeKind::function:
      return functionIndex(type, scope, out);
    default:
      return type->record ? recordIndex(*type->record, scope, out) : kIntIndex;
  }
}

std::uint32_t TypeLines::qualifiedIndex(std::uint32_t base, std::uint8_t qualifiers, Scope& scope,
                                        LineSink& out) {
  Body body;
  if (qualifiers == qualifier::kConst)
    body.append("c,").number(base);
  else if (qualifiers == qualifier::kVolatile)
    body.append("v,").number(base);
  else
    body.append("i,").number(base).put(',').number(qualifiers);
  BodyKey key(body.text());
  DerivedTable::Found found = lookUp(key, scope);
  if (found.index) return found.index;
  std::uint32_t made = make(key, scope, out, found.place);
  Body pointer;
  pointer.append("o,").number(made).append(",1");
  make(BodyKey(pointer.text()), scope, out);
  return made;
}

std::uint32_t TypeLines::pointerIndex(TypeRef pointer, Scope& scope, LineSink& out) {
  std::uint32_t target = index(pointer->target, scope, out);
  char letter = pointerLetter(pointer->memory);
  if (target >= 1 && target <= kLastBasicIndex)
    return (letter == 'p' ? kFarPointerBase : kNearPointerBase) + target;
  Body body;
  body.put(letter).put(',').number(target).append(",1");
  return derived(body.text(), scope, out);
}

std::uint32_t TypeLines::functionIndex(TypeRef function, Scope& scope, LineSink& out) {
  unsettled_ = true;
  const FunctionInfo* info = function->function;
  std::uint32_t returns = index(info ? info->returnType : function->target, scope, out);
  Body body;
  body.append("x,\"\",");
  appendAttribute(body, info, options_);
  body.put(',').number(returns).append(",-1");
  return derived(body.text(), scope, out);
}

std::uint32_t TypeLines::bitFieldIndex(const Member& member, Scope& scope, LineSink& out) {
  std::uint32_t base = index(member.type, scope, out);
  Body body;
  body.append("b,").number(base).put(',').number(member.bitOffset).put(',').number(member.bitWidth);
  return derived(body.text(), scope, out);
}

std::uint32_t TypeLines::derived(std::string_view body, Scope& scope, LineSink& out) {
  BodyKey key(body);
  DerivedTable::Found found = lookUp(key, scope);
  if (found.index) return found.index;
  return make(key, scope, out, found.place);
}

TypeLines::DerivedTable::Found TypeLines::lookUp(const BodyKey& body, const Scope& scope) const {
  DerivedTable::Found found = scope.derived.probe(body);
  if (!found.index && &scope != &file_ && seesFile(scope)) found.index = file_.derived.find(body);
  return found;
}

std::uint32_t TypeLines::make(const BodyKey& body, Scope& scope, LineSink& out, std::size_t place) {
  std::uint32_t made = take(scope);
  scope.derived.add(body, made, place);
  writeLine(out, made, body.text);
  return made;
}

namespace {

constexpr std::size_t kFirstDerivedSlots = 64;

}  // namespace

// Eight bytes at a step: a body is a few words long, and one is hashed for every derived type a
// function body asks for.
TypeLines::BodyKey::BodyKey(std::string_view body) : text(body) {
  constexpr std::uint64_t kMultiplier = 0xFF51AFD7ED558CCDu;
  std::uint64_t mixed = body.size() * identifier_hash::kMultiplier;
  for (std::size_t at = 0; at < body.size(); at += 8)
    mixed = (mixed ^ identifier_hash::loadWord(body.data() + at, body.size() - at)) * kMultiplier;
  mixed = (mixed ^ mixed >> 32) * kMultiplier;
  hash = static_cast<std::uint32_t>(mixed >> 32);
}

std::size_t TypeLines::DerivedTable::placeOf(const BodyKey& body) const {
  std::size_t mask = slots_.size() - 1;
  for (std::size_t at = body.hash & mask;; at = (at + 1) & mask) {
    const Slot& slot = slots_[at];
    if (slot.generation != generation_) return at;
    if (slot.hash == body.hash && slot.length == body.text.size() &&
        std::memcmp(slot.text, body.text.data(), body.text.size()) == 0)
      return at;
  }
}

TypeLines::DerivedTable::Found TypeLines::DerivedTable::probe(const BodyKey& body) const {
  if (used_ == 0) return {};
  std::size_t place = placeOf(body);
  const Slot& slot = slots_[place];
  return {slot.generation == generation_ ? slot.index : 0, place};
}

void TypeLines::DerivedTable::add(const BodyKey& body, std::uint32_t index, std::size_t place) {
  if (body.text.size() > kLongestDerivedBody) throw std::length_error("type line");
  if (2 * (used_ + 1) > slots_.size()) {
    grow();
    place = kNoPlace;
  }
  Slot& slot = slots_[place == kNoPlace ? placeOf(body) : place];
  if (slot.generation != generation_) ++used_;
  std::memcpy(slot.text, body.text.data(), kLongestDerivedBody);
  slot.length = static_cast<std::uint8_t>(body.text.size());
  slot.hash = body.hash;
  slot.index = index;
  slot.generation = generation_;
}

void TypeLines::DerivedTable::grow() {
  std::vector<Slot> old = std::move(slots_);
  slots_.assign(old.empty() ? kFirstDerivedSlots : 2 * old.size(), Slot{});
  used_ = 0;
  for (const Slot& slot : old)
    if (slot.generation == generation_) add(BodyKey({slot.text, slot.length}), slot.index);
}

std::pair<TypeLines::Scope*, TypeLines::RecordEntry*> TypeLines::findRecord(const Record& record,
                                                                            Scope& scope) {
  if (auto found = scope.records.find(&record); found != scope.records.end())
    return {&scope, &found->second};
  if (&scope != &file_ && seesFile(scope)) {
    if (auto found = file_.records.find(&record); found != file_.records.end())
      return {&file_, &found->second};
  }
  return {&scope, &scope.records[&record]};
}

std::uint32_t TypeLines::recordIndex(const Record& record, Scope& scope, LineSink& out) {
  auto [home, entry] = findRecord(record, scope);
  if (entry->pending || (!record.complete && !entry->bodyWritten)) {
    if (!entry->tagWritten) writeTagLine(record, *entry, *home, out);
  } else if (!entry->bodyWritten) {
    // A record's members are made in the scope that owns its index.
    if (record.kind == TypeKind::enumType)
      writeEnumBody(record, *entry, *home, out);
    else
      writeStructBody(record, *entry, *home, out);
  }
  if (!entry->bodyWritten) unsettled_ = true;
  return entry->index;
}

void TypeLines::writeTagLine(const Record& record, RecordEntry& entry, Scope& scope,
                             LineSink& out) {
  if (entry.index == 0) entry.index = take(scope);
  std::string body;
  if (record.kind == TypeKind::enumType)
    body = "n," + quoted(record.tag) + (options_.enumBySize ? ",0,2" : ",0");
  else
    body =
        std::string(record.kind == TypeKind::unionType ? "u," : "s,") + quoted(record.tag) + ",0,0";
  writeLine(out, entry.index, body);
  entry.tagWritten = true;
}

void TypeLines::writeStructBody(const Record& record, RecordEntry& entry, Scope& scope,
                                LineSink& out) {
  struct MemberLine {
    const Member* member;
    std::uint32_t type;
  };
  std::vector<MemberLine> lines;
  entry.pending = true;
  for (const Member& member : record.members) {
    if (member.isBitField && member.name.empty()) continue;
    std::uint32_t type =
        member.isBitField ? bitFieldIndex(member, scope, out) : index(member.type, scope, out);
    lines.push_back({&member, type});
  }
  entry.pending = false;
  if (entry.index == 0) entry.index = take(scope);
  writeLine(out, entry.index,
            std::string(record.kind == TypeKind::unionType ? "u," : "s,") + quoted(record.tag) +
                "," + std::to_string(record.size) + "," + std::to_string(lines.size()));
  for (const MemberLine& line : lines)
    writeEntry(
        out, line.member->name,
        std::to_string(line.type) + "," + std::to_string(memberPosition(*line.member, options_)));
  entry.bodyWritten = true;
}

void TypeLines::writeEnumBody(const Record& record, RecordEntry& entry, Scope& scope,
                              LineSink& out) {
  if (entry.index == 0) entry.index = take(scope);
  std::string body = "n," + quoted(record.tag) + "," + std::to_string(record.enumerators.size());
  if (options_.enumBySize) body += "," + std::to_string(index(record.enumBase, scope, out));
  writeLine(out, entry.index, body);
  for (const Enumerator& enumerator : record.enumerators)
    writeEntry(out, enumerator.name, std::to_string(enumerator.value));
  entry.bodyWritten = true;
}

}  // namespace kz::cfront
