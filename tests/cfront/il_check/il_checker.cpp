#include "tests/cfront/il_check/il_checker.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "tests/cfront/il_check/il_fields.h"
#include "tests/cfront/il_check/il_types.h"

namespace kz::iltest {
namespace {

constexpr std::size_t kCNameLength = 31;
constexpr std::size_t kAsmNameLength = 32;

enum class Shape {
  assign,
  compound,
  binary,
  unary,
  step,
  cArgument,
  cCall,
  aArgument,
  aCall,
  label,
  jump,
  test,
  text,
  other
};

struct MnemonicShape {
  std::string_view name;
  Shape shape;
};

// Every mnemonic of operator codes 0-74, by the form its line takes.
constexpr MnemonicShape kMnemonics[] = {
    {"dummy", Shape::other},    {"=", Shape::assign},        {"conv", Shape::assign},
    {"aconv", Shape::assign},   {"+=", Shape::compound},     {"-=", Shape::compound},
    {"*=", Shape::compound},    {"/=", Shape::compound},     {"%=", Shape::compound},
    {"<<=", Shape::compound},   {">>=", Shape::compound},    {"&=", Shape::compound},
    {"|=", Shape::compound},    {"^=", Shape::compound},     {"+", Shape::binary},
    {"-", Shape::binary},       {"*", Shape::binary},        {"/", Shape::binary},
    {"%", Shape::binary},       {"<<", Shape::binary},       {">>", Shape::binary},
    {"&", Shape::binary},       {"|", Shape::binary},        {"^", Shape::binary},
    {"add", Shape::binary},     {"offset", Shape::binary},   {"sub", Shape::binary},
    {"moffset", Shape::binary}, {"psub", Shape::binary},     {"pminus", Shape::binary},
    {"mem", Shape::binary},     {"ldst", Shape::binary},     {"UPLUS", Shape::unary},
    {"UMINUS", Shape::unary},   {"~", Shape::unary},         {"!", Shape::unary},
    {"ADDR", Shape::unary},     {"++", Shape::step},         {"--", Shape::step},
    {"<=", Shape::binary},      {"<", Shape::binary},        {">=", Shape::binary},
    {">", Shape::binary},       {"==", Shape::binary},       {"!=", Shape::binary},
    {"&&", Shape::binary},      {"||", Shape::binary},       {"QULOG", Shape::other},
    {"CMLOG", Shape::other},    {"?", Shape::other},         {":", Shape::other},
    {",", Shape::other},        {"CCALL", Shape::cCall},     {"CCALP", Shape::cCall},
    {"ACALL", Shape::aCall},    {"ACALP", Shape::aCall},     {"INLINE", Shape::other},
    {"HIDDEN", Shape::other},   {"TADDR", Shape::other},     {"ARG", Shape::other},
    {"CARG", Shape::cArgument}, {"AARG", Shape::aArgument},  {"FALSE", Shape::test},
    {"TRUE", Shape::test},      {"JMP", Shape::jump},        {"LAB", Shape::label},
    {"asm", Shape::text},       {"ASM", Shape::text},        {"return", Shape::other},
    {"BITASS", Shape::other},   {"BIT_ASSOP", Shape::other}, {"BIT_OP", Shape::other},
};

const MnemonicShape* findMnemonic(std::string_view name) {
  for (const MnemonicShape& entry : kMnemonics)
    if (entry.name == name) return &entry;
  return nullptr;
}

std::string number(std::uint64_t value) { return std::to_string(value); }

std::uint32_t evenSize(std::uint64_t size) {
  return static_cast<std::uint32_t>(std::min<std::uint64_t>((size + 1) & ~1ull, 1u << 30));
}

// Where the records between "BEGIN" and the body stand.
enum class Header { none, functionType, functionSymbol, parameters };

struct PendingArgument {
  std::size_t line;
  std::uint32_t position;
  std::uint64_t size;  // 0 unknown
};

struct DataObject {
  std::size_t line = 0;  // 0: no object takes data now
  std::uint64_t size = 0;
  std::uint64_t written = 0;
};

class Checker {
 public:
  std::vector<IlProblem> run(std::string_view text);

 private:
  void problem(std::string text) { problems_.push_back({line_, std::move(text)}); }
  void problemAt(std::size_t at, std::string text) { problems_.push_back({at, std::move(text)}); }

  void checkLine(std::string_view text);
  void declaration(std::string_view text);
  void record(std::string_view text);

  // Declarations.
  void typeLine(std::uint32_t index, const std::vector<std::string_view>& fields);
  void structLine(std::uint32_t index, const std::vector<std::string_view>& fields);
  void enumLine(std::uint32_t index, const std::vector<std::string_view>& fields);
  void functionTypeLine(std::uint32_t index, const std::vector<std::string_view>& fields);
  void globalLine(const std::vector<std::string_view>& fields);
  void staticLine(std::uint32_t number, const std::vector<std::string_view>& fields);
  void automaticLine(std::uint32_t number, const std::vector<std::string_view>& fields);
  void temporaryLine(const std::vector<std::string_view>& fields);
  void commaLine(std::string_view text);
  void memberLine(const std::vector<std::string_view>& fields);
  void parameterLine(const std::vector<std::string_view>& fields);
  void dataLine(std::string_view text);
  void finishData();
  bool newTypeIndex(std::uint32_t index, char kind);
  std::optional<std::uint32_t> knownType(std::string_view field);

  // Records.
  void blockOpen(std::uint32_t number);
  void blockClose(std::uint32_t number);
  void begin(std::string_view name);
  void end(std::string_view name);
  void instruction(const MnemonicShape& entry, const std::vector<std::string_view>& fields);
  void argumentsMustEnd(Shape next);
  void checkCall(const MnemonicShape& entry, const std::vector<std::string_view>& fields);
  void checkAdeclArguments(std::string_view call);
  std::optional<OperandView> operand(std::string_view text, bool writes);
  std::uint64_t operandSize(const OperandView& view) const;
  std::optional<std::uint32_t> operandType(const OperandView& view) const;
  void jumpTo(std::string_view field);

  bool inFunction() const { return !functionName_.empty(); }
  // The scope a record's index belongs to: a tag line made at file scope is completed there.
  bool scopeOf(std::uint32_t index) const {
    return inFunction() && !types_.declaredHere(index, false);
  }

  std::vector<IlProblem> problems_;
  std::size_t line_ = 0;
  IlTypes types_;
  std::uint32_t nextFileType_ = IlTypes::kFirstFile;
  std::uint32_t nextLocalType_ = IlTypes::kFirstLocal;

  // Lines that must follow one another.
  std::uint32_t membersLeft_ = 0;
  char membersOf_ = 0;  // 's', 'u' or 'n'
  DataObject data_;
  std::uint32_t pendingTemporary_ = 0;
  std::size_t pendingTemporaryLine_ = 0;
  std::vector<PendingArgument> cArguments_;
  std::vector<PendingArgument> aArguments_;
  std::string aCall_;
  bool expectBegin_ = false;
  bool expectBlockEnd_ = false;

  // Declared objects.
  std::unordered_map<std::string, std::uint32_t> globals_;
  std::unordered_map<std::uint32_t, std::uint32_t> statics_;
  std::unordered_map<std::uint32_t, std::uint32_t> automatics_;
  std::unordered_map<std::uint32_t, std::uint32_t> temporaries_;  // of the current function
  std::uint32_t lastTemporary_ = 0;
  std::set<std::uint64_t> calls_;

  // The function being read.
  std::string functionName_;
  Header header_ = Header::none;
  std::uint32_t returnType_ = 0;
  std::vector<std::uint32_t> parameters_;
  bool variadic_ = false;
  std::vector<std::uint32_t> blocks_;
  std::unordered_set<std::uint32_t> blockNumbers_;
  std::unordered_set<std::uint32_t> labels_;  // defined in the run
  std::unordered_set<std::uint32_t> functionLabels_;
  std::vector<std::pair<std::uint32_t, std::size_t>> jumps_;
};

std::vector<IlProblem> Checker::run(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t newline = text.find('\n', start);
    ++line_;
    if (newline == std::string_view::npos) {
      checkLine(text.substr(start));
      problem("the last line has no newline");
      break;
    }
    checkLine(text.substr(start, newline - start));
    start = newline + 1;
  }
  ++line_;
  finishData();
  if (membersLeft_) problem("member lines missing at the end");
  if (pendingTemporary_) problemAt(pendingTemporaryLine_, "temporary never set");
  if (!cArguments_.empty() || !aArguments_.empty()) problem("arguments without their call");
  if (inFunction()) problem("function " + functionName_ + " has no END");
  if (expectBegin_ || expectBlockEnd_) problem("function records cut short");
  if (line_ == 1) problem("empty file");
  return std::move(problems_);
}

void Checker::checkLine(std::string_view text) {
  if (text.empty()) {
    problem("empty line");
    return;
  }
  for (char c : text) {
    if (c == '\0' || c == '\r') {
      problem("control character in a line");
      return;
    }
  }
  bool isDataLine = text.size() > 2 && text[0] == '\t' && text[1] == ',' && text[2] != '"';
  if (!isDataLine) finishData();
  if (membersLeft_ && text.substr(0, 3) != "\t,\"") {
    problem(number(membersLeft_) + " member lines missing");
    membersLeft_ = 0;
  }
  if (expectBegin_ && text.substr(0, 6) != "BEGIN,") {
    problem("'{,1' not followed by BEGIN");
    expectBegin_ = false;
  }
  if (expectBlockEnd_ && text != "},1") problem("END not followed by '},1'");
  expectBlockEnd_ = false;
  if (text[0] == '\t') {
    declaration(text.substr(1));
    return;
  }
  if (header_ == Header::functionType || header_ == Header::functionSymbol)
    problem("function header without its type line and symbol line");
  header_ = Header::none;
  record(text);
}

// ---- Declarations ------------------------------------------------------------------------

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

// ---- Records ------------------------------------------------------------------------------

void Checker::record(std::string_view text) {
  std::vector<std::string_view> fields = splitFields(text);
  std::string_view head = fields[0];
  if (pendingTemporary_ && !findMnemonic(head)) {
    problemAt(pendingTemporaryLine_, "temporary not set by the next line");
    pendingTemporary_ = 0;
  }
  if (head != "CARG" && head != "CCALL" && head != "CCALP" && !cArguments_.empty())
    argumentsMustEnd(Shape::other);
  if (head != "AARG" && head != "ACALL" && head != "ACALP" && !aArguments_.empty())
    argumentsMustEnd(Shape::other);
  auto count = [&](std::size_t least, std::size_t most) {
    if (fields.size() >= least && fields.size() <= most) return true;
    problem("'" + std::string(head) + "' record with " + number(fields.size()) + " fields");
    return false;
  };
  auto numberField = [&](std::size_t at) -> std::optional<std::uint32_t> {
    auto value = unsignedNumber(fields[at]);
    if (!value) problem("number expected in '" + std::string(head) + "' record");
    return value;
  };
  if (head == "FILE") {
    if (fields.size() < 2 || fields[1].empty()) problem("FILE record without a name");
  } else if (head == "LINE") {
    if (count(2, 3)) {
      numberField(1);
      if (fields.size() == 3) numberField(2);
    }
  } else if (head == "STACK" || head == "LOOP") {
    if (count(2, 2) && fields[1] != "0" && fields[1] != "1") problem("value must be 0 or 1");
  } else if (head == "OPT" || head == "DISINT") {
    if (count(2, 2) && !signedNumber(fields[1])) problem("number expected");
    if (head == "DISINT" && inFunction()) problem("DISINT inside a function");
  } else if (head == "DEFINE") {
    if (fields.size() < 3 || fields[1].empty()) problem("DEFINE record without name and body");
  } else if (head == "{" || head == "}") {
    if (count(2, 2))
      if (auto block = numberField(1)) head == "{" ? blockOpen(*block) : blockClose(*block);
  } else if (head == "BEGIN" || head == "END") {
    if (fields.size() < 2 || fields[1].empty() || fields[1].size() > kCNameLength)
      problem("function name missing or longer than 31");
    else
      head == "BEGIN" ? begin(text.substr(6)) : end(text.substr(4));
  } else if (const MnemonicShape* entry = findMnemonic(head)) {
    instruction(*entry, fields);
  } else {
    problem("unknown record '" + std::string(head.substr(0, 40)) + "'");
  }
}

void Checker::blockOpen(std::uint32_t block) {
  if (block == 1) {
    if (inFunction() || !blocks_.empty()) problem("function opened inside a function");
    expectBegin_ = true;
    return;
  }
  if (!inFunction()) problem("block outside a function");
  if (!blockNumbers_.insert(block).second) problem("block " + number(block) + " opened twice");
  blocks_.push_back(block);
}

void Checker::blockClose(std::uint32_t block) {
  if (block == 1) {
    if (inFunction()) problem("'},1' before END");
    return;
  }
  if (blocks_.empty() || blocks_.back() != block) {
    problem("block " + number(block) + " closed but not the innermost open one");
    return;
  }
  blocks_.pop_back();
}

void Checker::begin(std::string_view name) {
  if (!expectBegin_) problem("BEGIN without '{,1'");
  expectBegin_ = false;
  functionName_ = std::string(name);
  header_ = Header::functionType;
  returnType_ = 0;
  parameters_.clear();
  variadic_ = false;
  automatics_.clear();
  temporaries_.clear();
  functionLabels_.clear();
  jumps_.clear();
  nextLocalType_ = IlTypes::kFirstLocal;
}

void Checker::end(std::string_view name) {
  if (!inFunction()) {
    problem("END outside a function");
    return;
  }
  if (name != functionName_) problem("END names " + std::string(name) + ", not " + functionName_);
  if (!blocks_.empty()) problem("END with block " + number(blocks_.back()) + " still open");
  blocks_.clear();
  for (const auto& [target, at] : jumps_)
    if (!functionLabels_.count(target))
      problemAt(at, "jump to L" + number(target) + ", not defined in the function");
  functionName_.clear();
  types_.leaveFunction();
  expectBlockEnd_ = true;
}

void Checker::jumpTo(std::string_view field) {
  auto target = numbered(field, "L");
  if (!target) {
    problem("label operand expected, found '" + std::string(field) + "'");
    return;
  }
  jumps_.emplace_back(*target, line_);
}

std::optional<OperandView> Checker::operand(std::string_view text, bool writes) {
  auto view = parseOperand(text);
  if (!view) {
    problem("malformed operand '" + std::string(text.substr(0, 40)) + "'");
    return std::nullopt;
  }
  if (writes && !isWritable(*view)) problem("result '" + std::string(text) + "' cannot be written");
  auto undeclared = [&](const char* what) {
    problem(std::string(what) + " " + std::string(text) + " used before its declaration");
  };
  switch (view->kind) {
    case OperandKind::temporary:
      if (!temporaries_.count(view->number)) undeclared("temporary");
      break;
    case OperandKind::automatic:
      if (!automatics_.count(view->number)) undeclared("automatic");
      break;
    case OperandKind::staticObject:
      if (!statics_.count(view->number)) undeclared("static");
      break;
    case OperandKind::global:
      if (!globals_.count(std::string(view->name))) undeclared("global");
      break;
    case OperandKind::parameter:
      if (view->number == 0 || view->number > parameters_.size())
        problem("parameter " + std::string(text) + " not in the function's parameter lines");
      break;
    case OperandKind::result:
      if (returnType_ == 1) problem("result operand in a void function");
      break;
    default:
      break;
  }
  return view;
}

std::optional<std::uint32_t> Checker::operandType(const OperandView& view) const {
  auto lookUp = [](const auto& map, auto key) -> std::optional<std::uint32_t> {
    auto it = map.find(key);
    if (it == map.end() || it->second == 0) return std::nullopt;
    return it->second;
  };
  std::optional<std::uint32_t> type;
  switch (view.kind) {
    case OperandKind::temporary:
      type = lookUp(temporaries_, view.number);
      break;
    case OperandKind::automatic:
      type = lookUp(automatics_, view.number);
      break;
    case OperandKind::staticObject:
      type = lookUp(statics_, view.number);
      break;
    case OperandKind::global:
      type = lookUp(globals_, std::string(view.name));
      break;
    case OperandKind::parameter:
      if (view.number >= 1 && view.number <= parameters_.size())
        type = parameters_[view.number - 1];
      break;
    default:
      break;
  }
  if (type && view.indirect) type = types_.pointee(*type);
  if (type == 0u) return std::nullopt;
  return type;
}

std::uint64_t Checker::operandSize(const OperandView& view) const {
  if (view.size && !view.indirect) return view.size;
  auto type = operandType(view);
  return type ? types_.sizeOf(*type) : 0;
}

void Checker::argumentsMustEnd(Shape) {
  std::size_t at = !cArguments_.empty() ? cArguments_.front().line : aArguments_.front().line;
  problemAt(at, "arguments not followed by their call");
  cArguments_.clear();
  aArguments_.clear();
}

void Checker::instruction(const MnemonicShape& entry, const std::vector<std::string_view>& fields) {
  if (!inFunction() && entry.shape != Shape::text) {
    problem("'" + std::string(entry.name) + "' outside a function");
    return;
  }
  auto count = [&](std::size_t wanted) {
    if (fields.size() == wanted) return true;
    problem("'" + std::string(entry.name) + "' with " + number(fields.size()) + " fields");
    return false;
  };
  if (pendingTemporary_) {
    std::string wanted = "T" + number(pendingTemporary_);
    bool sets = fields.size() == 4 && fields[3] == wanted;
    if (!sets) problemAt(pendingTemporaryLine_, "temporary not set by the next line");
    pendingTemporary_ = 0;
  }
  switch (entry.shape) {
    case Shape::text:
      return;
    case Shape::label:
      if (count(2)) {
        auto target = numbered(fields[1], "L");
        if (!target) return problem("label operand expected");
        if (!labels_.insert(*target).second)
          problem("label L" + number(*target) + " defined twice");
        functionLabels_.insert(*target);
      }
      return;
    case Shape::jump:
      if (count(2)) jumpTo(fields[1]);
      return;
    case Shape::test:
      if (count(4)) {
        operand(fields[1], false);
        if (!fields[2].empty()) problem("third field of a test must be empty");
        jumpTo(fields[3]);
      }
      return;
    case Shape::cArgument:
      if (count(2))
        if (auto view = operand(fields[1], false))
          cArguments_.push_back({line_, 0, operandSize(*view)});
      return;
    case Shape::aArgument:
      return count(4) ? checkCall(entry, fields) : void();
    case Shape::cCall:
    case Shape::aCall:
      return count(4) ? checkCall(entry, fields) : void();
    default:
      break;
  }
  if (!count(4)) return;
  bool needsFirst = entry.shape != Shape::other;
  bool needsSecond = entry.shape == Shape::assign || entry.shape == Shape::compound ||
                     entry.shape == Shape::binary;
  bool noSecond = entry.shape == Shape::unary || entry.shape == Shape::step;
  if (needsFirst && fields[1].empty()) problem("first operand missing");
  if (needsSecond && fields[2].empty()) problem("second operand missing");
  if (noSecond && !fields[2].empty()) problem("unary operator with a second operand");
  bool targetFirst =
      entry.shape == Shape::assign || entry.shape == Shape::compound || entry.shape == Shape::step;
  auto first = fields[1].empty() ? std::nullopt : operand(fields[1], targetFirst);
  auto second = fields[2].empty() ? std::nullopt : operand(fields[2], false);
  if (entry.name == "=" && first && second && second->sizeExact) {
    // A plain assignment converts nothing: both sides are of one size.
    std::uint64_t target = operandSize(*first), source = operandSize(*second);
    if (target && source && target != source)
      problem("'=' of " + number(source) + " bytes to " + number(target));
  }
  if (fields[3].empty()) {
    if (entry.shape != Shape::other) problem("result missing");
    return;
  }
  operand(fields[3], true);
  bool resultIsTarget =
      fields[3] == fields[1] || (entry.shape == Shape::assign && fields[3] == fields[2]);
  if ((entry.shape == Shape::compound || entry.shape == Shape::step) && fields[3] != fields[1])
    problem("result of '" + std::string(entry.name) + "' must be its target");
  else if (entry.shape == Shape::assign && !resultIsTarget)
    problem("result of '" + std::string(entry.name) + "' must be its target or its source");
  if (entry.name == "ADDR" && !fields[1].empty() && fields[1][0] == '#')
    problem("address of a constant");
}

// "AARG,op,call,position" lines, then "ACALL,callee,call,result"; "CARG,op" lines, then
// "CCALL,callee,#bytes,result".
void Checker::checkCall(const MnemonicShape& entry, const std::vector<std::string_view>& fields) {
  if (entry.shape == Shape::aArgument) {
    auto view = operand(fields[1], false);
    auto position = unsignedNumber(fields[3]);
    if (!position || *position == 0) problem("argument position expected");
    if (!aArguments_.empty() && fields[2] != aCall_) problem("arguments of two calls mixed");
    aCall_ = std::string(fields[2]);
    aArguments_.push_back({line_, position.value_or(0), view ? operandSize(*view) : 0});
    return;
  }
  auto callee = operand(fields[1], false);
  if (callee && entry.name.back() == 'L' && callee->kind != OperandKind::global)
    problem("direct call of something not a global");
  if (!fields[3].empty()) operand(fields[3], true);
  if (entry.shape == Shape::cCall) {
    std::optional<std::uint32_t> bytes;
    if (fields[2].substr(0, 1) == "#") bytes = unsignedNumber(fields[2].substr(1));
    if (!bytes) problem("argument bytes expected as #<n>");
    std::uint64_t total = 0;
    bool known = true;
    for (const PendingArgument& argument : cArguments_) {
      known = known && argument.size != 0;
      total += evenSize(argument.size);
    }
    if (bytes && known && total != *bytes)
      problem("arguments of " + number(total) + " bytes, the call says " + number(*bytes));
    cArguments_.clear();
    return;
  }
  if (!aArguments_.empty() && fields[2] != aCall_)
    problem("call number differs from its arguments'");
  std::string_view call = fields[2];
  if (!call.empty() && call[0] == 'C') call.remove_prefix(1);
  auto callNumber = unsignedNumber(call);
  if (!callNumber)
    problem("call number expected");
  else if (!calls_.insert(*callNumber).second)
    problem("call number used twice");
  checkAdeclArguments(fields[2]);
  aArguments_.clear();
}

// Positions 1..n each once; the first two arguments of at most 2 bytes come last.
void Checker::checkAdeclArguments(std::string_view) {
  std::set<std::uint32_t> seen;
  bool registersStarted = false;
  for (const PendingArgument& argument : aArguments_) {
    if (!seen.insert(argument.position).second) problemAt(argument.line, "argument position twice");
    if (argument.size == 0) continue;
    bool inRegister = argument.position <= 2 && argument.size <= 2;
    if (inRegister)
      registersStarted = true;
    else if (registersStarted)
      problemAt(argument.line, "argument written after the first two small ones");
  }
  if (!seen.empty() && (*seen.begin() != 1 || *seen.rbegin() != seen.size()))
    problem("argument positions not 1 to " + number(seen.size()));
}

}  // namespace

std::vector<IlProblem> checkIntermediateFile(std::string_view text) { return Checker().run(text); }

}  // namespace kz::iltest
