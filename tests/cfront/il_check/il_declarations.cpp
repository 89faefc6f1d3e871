// Declaration lines: types, symbols, temporaries, members, parameters and initialiser data.
#include <algorithm>

#include "tests/cfront/il_check/il_check_state.h"

namespace kz::iltest::detail {

void Checker::declaration(std::string_view text) {
  if (pendingTemporary_ && text.substr(0, 1) != "T") {
    problemAt(pendingTemporaryLine_, "temporary not set by the next line");
    pendingTemporary_ = 0;
  }
  if (!text.empty() && text[0] == ',') {
    commaLine(text);
    return;
  }
  std::vector<std::string_view> fields = splitFields(text);
  std::string_view first = fields[0];
  if (header_ == Header::parameters && !unsignedNumber(first)) header_ = Header::none;
  if (auto index = unsignedNumber(first)) {
    typeLine(*index, fields);
  } else if (first.substr(0, 1) == "@" && first.substr(0, 4) != "@..S") {
    globalLine(fields);
  } else if (auto number = numbered(first, first.substr(0, 4) == "@..S" ? "@..S" : "S")) {
    staticLine(*number, fields);
  } else if (auto number = numbered(first, "I")) {
    automaticLine(*number, fields);
  } else if (first.substr(0, 1) == "T") {
    temporaryLine(fields);
  } else if (first == "N") {
    if (fields.size() < 3) problem("section line with too few fields");
  } else {
    problem("unknown declaration line");
  }
}

std::optional<std::uint32_t> Checker::knownType(std::string_view field) {
  auto index = unsignedNumber(field);
  if (!index) {
    problem("type index expected, found '" + std::string(field) + "'");
    return std::nullopt;
  }
  if (!types_.find(*index)) {
    problem("type index " + number(*index) + " used before its type line");
    return std::nullopt;
  }
  return index;
}

// A new index takes the next number of its scope; a tag line may be followed by the full line.
bool Checker::newTypeIndex(std::uint32_t index, char kind) {
  bool local = inFunction();
  if (index < IlTypes::kFirstFile) {
    problem("type line for predefined index " + number(index));
    return false;
  }
  if (auto known = types_.find(index); known && known->tagOnly && known->kind == kind) return true;
  if (types_.declaredHere(index, local)) {
    problem("type index " + number(index) + " declared twice");
    return false;
  }
  std::uint32_t& next = local ? nextLocalType_ : nextFileType_;
  if (index != next) {
    problem("type index " + number(index) + " out of order, expected " + number(next));
    if (index < next) return false;
  }
  if (!local && index >= IlTypes::kFileLimit) problem("file-scope type index past 9998");
  next = index + 1;
  return true;
}

void Checker::typeLine(std::uint32_t index, const std::vector<std::string_view>& fields) {
  if (fields.size() < 3 || fields[1].size() != 1) {
    problem("malformed type line");
    return;
  }
  char kind = fields[1][0];
  if (kind == 's' || kind == 'u') return structLine(index, fields);
  if (kind == 'n') return enumLine(index, fields);
  if (kind == 'x') return functionTypeLine(index, fields);
  struct Form {
    char kind;
    std::size_t fields;
  };
  static constexpr Form forms[] = {{'o', 4}, {'p', 4}, {'c', 3}, {'v', 3},
                                   {'i', 4}, {'a', 5}, {'b', 5}, {'t', 4}};
  const Form* form = nullptr;
  for (const Form& candidate : forms)
    if (candidate.kind == kind) form = &candidate;
  if (!form) {
    problem("unknown type line kind '" + std::string(1, kind) + "'");
    return;
  }
  if (fields.size() != form->fields) {
    problem("type line '" + std::string(1, kind) + "' with " + number(fields.size()) + " fields");
    return;
  }
  if (!newTypeIndex(index, kind)) return;
  IlType type{kind, 0, 0, false};
  if (kind == 't') {
    if (!quotedName(fields[2], kCNameLength)) problem("malformed typedef name");
    auto base = knownType(fields[3]);
    type.target = base.value_or(0);
  } else {
    auto base = knownType(fields[2]);
    type.target = base.value_or(0);
  }
  std::uint64_t baseSize = types_.sizeOf(type.target);
  switch (kind) {
    case 'o':
    case 'p':
      if (fields[3] != "1") problem("pointer line not ending in 1");
      type.size = kind == 'o' ? 2 : 4;
      break;
    case 'i':
      if (!signedNumber(fields[3])) problem("qualifier bits expected");
      type.size = baseSize;
      break;
    case 'a': {
      auto count = unsignedNumber(fields[4]);
      if (fields[3] != "1" || !count) problem("malformed array line");
      type.size = baseSize * count.value_or(0);
      break;
    }
    case 'b': {
      auto first = unsignedNumber(fields[3]);
      auto width = unsignedNumber(fields[4]);
      if (!first || !width || *width == 0 || *first + std::uint64_t{*width} > 8 * baseSize)
        problem("bit field outside its unit");
      type.size = baseSize;
      break;
    }
    default:
      type.size = baseSize;
      break;
  }
  types_.declare(index, type, inFunction());
}

void Checker::structLine(std::uint32_t index, const std::vector<std::string_view>& fields) {
  auto size = fields.size() == 5 ? unsignedNumber(fields[3]) : std::nullopt;
  auto members = fields.size() == 5 ? unsignedNumber(fields[4]) : std::nullopt;
  if (!size || !members || !quotedName(fields[2], kCNameLength)) {
    problem("malformed struct or union line");
    return;
  }
  if (!newTypeIndex(index, fields[1][0])) return;
  bool tag = *size == 0 && *members == 0;
  types_.declare(index, IlType{fields[1][0], *size, 0, tag}, scopeOf(index));
  membersLeft_ = *members;
  membersOf_ = fields[1][0];
}

void Checker::enumLine(std::uint32_t index, const std::vector<std::string_view>& fields) {
  auto count = fields.size() >= 4 ? unsignedNumber(fields[3]) : std::nullopt;
  if (!count || fields.size() > 5 || !quotedName(fields[2], kCNameLength)) {
    problem("malformed enumeration line");
    return;
  }
  std::uint64_t size = 2;
  if (fields.size() == 5) {
    auto base = unsignedNumber(fields[4]);
    if (!base || (*base != 2 && *base != 3 && *base != 6 && *base != 7))
      problem("enumeration base must be 2, 3, 6 or 7");
    else
      size = *base <= 3 ? 1 : 2;
  }
  if (!newTypeIndex(index, 'n')) return;
  types_.declare(index, IlType{'n', size, 0, *count == 0}, scopeOf(index));
  membersLeft_ = *count;
  membersOf_ = 'n';
}

bool isAttributeText(std::string_view text) {
  if (text == "a" || text == "c" || text == "i" || text == "Ni" || text == "Va" || text == "Vc")
    return true;
  if (!text.empty() && text[0] == 'N') text.remove_prefix(1);
  return unsignedNumber(text).has_value();
}

void Checker::functionTypeLine(std::uint32_t index, const std::vector<std::string_view>& fields) {
  auto name = fields.size() == 6 ? quotedName(fields[2], kCNameLength) : std::nullopt;
  auto last = fields.size() == 6 ? signedNumber(fields[5]) : std::nullopt;
  if (!name || !last || !isAttributeText(fields[3])) {
    problem("malformed function type line");
    return;
  }
  auto returns = knownType(fields[4]);
  if (!newTypeIndex(index, 'x')) return;
  types_.declare(index, IlType{'x', 0, returns.value_or(0), false}, inFunction());
  if (name->empty()) {
    if (*last != -1) problem("function type line not ending in -1");
    return;
  }
  if (header_ != Header::functionType || *name != functionName_.substr(0, kCNameLength)) {
    problem("type line of a defined function outside its header");
    return;
  }
  returnType_ = returns.value_or(0);
  header_ = Header::functionSymbol;
}

// "\t@asm,"name",type,class,..." for functions and global objects.
void Checker::globalLine(const std::vector<std::string_view>& fields) {
  std::string_view name = fields[0].substr(1);
  if (fields.size() != 7 || name.empty() || name.size() > kAsmNameLength ||
      !quotedName(fields[1], kCNameLength)) {
    problem("malformed global symbol line");
    return;
  }
  auto type = knownType(fields[2]);
  auto kind = unsignedNumber(fields[3]);
  auto fifth = unsignedNumber(fields[4]);
  if (!kind || !fifth || !signedNumber(fields[5]) || !signedNumber(fields[6])) {
    problem("malformed global symbol line");
    return;
  }
  globals_[std::string(name)] = type.value_or(0);
  if (type && types_.isFunction(*type)) {
    if (*kind != 5 && *kind != 6) problem("function class must be 5 or 6");
    if (fields[6] != "0") problem("function symbol line not ending in 0");
    if (*fifth == 1) {
      if (header_ != Header::functionSymbol) problem("defined function line outside its header");
      header_ = Header::parameters;
    }
    return;
  }
  if (*kind != 4 && *kind != 5 && *kind != 6) problem("object class must be 4, 5 or 6");
  std::uint64_t size = type ? types_.sizeOf(*type) : 0;
  if (size && *fifth != size)
    problem("object size " + number(*fifth) + ", its type " + number(size));
  data_ = {line_, *fifth, 0};
}

void Checker::staticLine(std::uint32_t staticNumber, const std::vector<std::string_view>& fields) {
  if (fields.size() != 7 || !quotedName(fields[1], kCNameLength)) {
    problem("malformed static symbol line");
    return;
  }
  auto type = knownType(fields[2]);
  auto size = unsignedNumber(fields[4]);
  if ((fields[3] != "3" && fields[3] != "5") || !size || !signedNumber(fields[5]) ||
      !signedNumber(fields[6])) {
    problem("malformed static symbol line");
    return;
  }
  std::uint64_t typeSize = type ? types_.sizeOf(*type) : 0;
  if (typeSize && *size != typeSize)
    problem("object size " + number(*size) + ", its type " + number(typeSize));
  statics_[staticNumber] = type.value_or(0);
  data_ = {line_, *size, 0};
}

void Checker::automaticLine(std::uint32_t automatic, const std::vector<std::string_view>& fields) {
  if (!inFunction()) problem("automatic object outside a function");
  if (fields.size() != 5 || !quotedName(fields[1], kCNameLength) ||
      (fields[3] != "1" && fields[3] != "2")) {
    problem("malformed automatic symbol line");
    return;
  }
  auto type = knownType(fields[2]);
  auto size = unsignedNumber(fields[4]);
  std::uint64_t typeSize = type ? types_.sizeOf(*type) : 0;
  if (!size || (typeSize && *size != typeSize)) problem("automatic size does not fit its type");
  if (automatics_.count(automatic)) problem("automatic I" + number(automatic) + " declared twice");
  automatics_[automatic] = type.value_or(0);
}

void Checker::temporaryLine(const std::vector<std::string_view>& fields) {
  auto temporary = numbered(fields[0], "T");
  if (!temporary || *temporary == 0 || fields.size() != 2) {
    problem("malformed temporary line");
    return;
  }
  if (!inFunction()) problem("temporary outside a function");
  if (*temporary <= lastTemporary_)
    problem("temporary T" + number(*temporary) + " numbered again or out of order");
  lastTemporary_ = std::max(lastTemporary_, *temporary);
  if (pendingTemporary_) problemAt(pendingTemporaryLine_, "temporary not set by the next line");
  std::uint32_t type = 0;
  if (fields[1] != "<<Type Undefined>>") type = knownType(fields[1]).value_or(0);
  temporaries_[*temporary] = type;
  pendingTemporary_ = *temporary;
  pendingTemporaryLine_ = line_;
}

// Lines that begin with a comma: members, enumerators, parameters and data.
void Checker::commaLine(std::string_view text) {
  if (text.size() > 1 && text[1] != '"') {
    dataLine(text.substr(1));
    return;
  }
  std::vector<std::string_view> fields = splitFields(text.substr(1));
  if (membersLeft_) {
    memberLine(fields);
  } else if (header_ == Header::parameters) {
    parameterLine(fields);
  } else {
    problem("member or parameter line out of place");
  }
}

void Checker::memberLine(const std::vector<std::string_view>& fields) {
  --membersLeft_;
  if (!quotedName(fields[0], kCNameLength)) {
    problem("malformed member name");
    return;
  }
  if (membersOf_ == 'n') {
    if (fields.size() != 2 || !signedNumber(fields[1])) problem("malformed enumerator line");
    return;
  }
  if (fields.size() != 3 || !unsignedNumber(fields[2])) {
    problem("malformed member line");
    return;
  }
  knownType(fields[1]);
}

void Checker::parameterLine(const std::vector<std::string_view>& fields) {
  if (fields.size() != 3 || !quotedName(fields[0], kCNameLength)) {
    problem("malformed parameter line");
    return;
  }
  if (variadic_) problem("parameter after '...'");
  if (fields[0] == "\"\"" && fields[1] == "0" && fields[2] == "0") {
    variadic_ = true;
    return;
  }
  auto type = knownType(fields[1]);
  auto size = unsignedNumber(fields[2]);
  std::uint64_t typeSize = type ? types_.sizeOf(*type) : 0;
  if (!size || (typeSize && *size != evenSize(typeSize)))
    problem("parameter size is not its type's, rounded up to even");
  parameters_.push_back(type.value_or(0));
}

std::optional<std::uint64_t> quotedBytes(std::string_view text) {
  if (text.size() < 2 || text.front() != '"' || text.back() != '"') return std::nullopt;
  std::uint64_t count = 0;
  for (std::size_t at = 1; at + 1 < text.size(); ++count) {
    char c = text[at];
    if (c == '"') return std::nullopt;
    if (c != '\\') {
      ++at;
      continue;
    }
    if (at + 2 < text.size() && (text[at + 1] == '"' || text[at + 1] == '\\')) {
      at += 2;
      continue;
    }
    if (at + 4 >= text.size()) return std::nullopt;
    for (std::size_t digit = 1; digit <= 3; ++digit)
      if (text[at + digit] < '0' || text[at + digit] > '7') return std::nullopt;
    at += 4;
  }
  return count;
}

// Integer items, floating items, string text, zero fill and addresses after an object line.
void Checker::dataLine(std::string_view text) {
  if (!data_.line) {
    problem("data line without an object");
    return;
  }
  char letter = text[0];
  std::string_view rest = text.substr(1);
  auto wrote = [&](std::uint64_t bytes) { data_.written += bytes; };
  switch (letter) {
    case 'c':
    case 's':
    case 'l': {
      std::uint64_t size = letter == 'c' ? 1 : letter == 's' ? 2 : 4;
      bool integers = !rest.empty() && (rest[0] == '-' || (rest[0] >= '0' && rest[0] <= '9'));
      if (!integers) {
        std::string_view name = rest.substr(0, rest.find_first_of("+-"));
        std::string_view offset = rest.substr(name.size());
        bool known = name.substr(0, 3) == "..S" || globals_.count(std::string(name)) ||
                     (numbered(name, "S") && statics_.count(*numbered(name, "S")));
        if (!known) problem("address of an undeclared object '" + std::string(name) + "'");
        if (!offset.empty() && !signedNumber(offset[0] == '+' ? offset.substr(1) : offset))
          problem("malformed address offset");
        wrote(size);
        return;
      }
      std::vector<std::string_view> items = splitFields(rest);
      if (items.size() > 8) problem("more than 8 items on a data line");
      long long low = letter == 'c' ? -128 : letter == 's' ? -32768 : -2147483648LL;
      long long high = letter == 'c' ? 255 : letter == 's' ? 65535 : 4294967295LL;
      for (std::string_view item : items) {
        auto value = signedNumber(item);
        if (!value || *value < low || *value > high)
          problem("data item '" + std::string(item) + "' does not fit '" + letter + "'");
      }
      wrote(size * items.size());
      return;
    }
    case 'F':
    case 'D':
    case 'X':
      if (!isFloatingText(rest)) problem("malformed floating item");
      wrote(letter == 'F' ? 4 : letter == 'D' ? 8 : 10);
      return;
    case 'S':
    case 'Z': {
      auto bytes = quotedBytes(rest);
      if (!bytes) problem("malformed string text");
      wrote(bytes.value_or(0) + (letter == 'Z' ? 1 : 0));
      return;
    }
    case 'a':  // the address of an io object: no data of its own
      if (!unsignedNumber(rest)) problem("malformed io address");
      return;
    case 'r': {
      auto bytes = unsignedNumber(rest);
      if (!bytes || *bytes == 0) problem("malformed zero fill");
      wrote(bytes.value_or(0));
      return;
    }
    default:
      problem("unknown data line");
  }
}

void Checker::finishData() {
  if (data_.line && data_.written && data_.written != data_.size)
    problemAt(data_.line,
              "data of " + number(data_.written) + " bytes for an object of " + number(data_.size));
  data_ = {};
}

}  // namespace kz::iltest::detail
