#include "cfront/pragmas.h"

#include <cstdlib>

namespace kz::cfront {
namespace {

std::optional<unsigned long> numberOf(const Token& token) {
  if (token.kind != TokenKind::number) return std::nullopt;
  std::string text(token.text);
  while (!text.empty() &&
         (text.back() == 'u' || text.back() == 'U' || text.back() == 'l' || text.back() == 'L'))
    text.pop_back();
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  unsigned long value = std::strtoul(text.c_str(), &end, 0);
  if (*end != '\0') return std::nullopt;
  if (errno == ERANGE) return ~0ul;
  return value;
}

}  // namespace

// The tokens after the pragma's keyword, read one by one.
class Pragmas::Operand {
 public:
  explicit Operand(std::span<const Token> tokens) : tokens_(tokens) {
    while (!tokens_.empty() && tokens_.back().kind == TokenKind::newline)
      tokens_ = tokens_.first(tokens_.size() - 1);
  }
  bool atEnd() const { return at_ >= tokens_.size(); }
  const Token* peek() const { return atEnd() ? nullptr : &tokens_[at_]; }
  const Token& take() { return tokens_[at_++]; }
  bool accept(std::string_view spelling) {
    if (atEnd() || !tokens_[at_].is(spelling)) return false;
    ++at_;
    return true;
  }
  const Token* identifier() {
    if (atEnd() || tokens_[at_].kind != TokenKind::identifier) return nullptr;
    return &tokens_[at_++];
  }
  // The next token as messages name it.
  std::string_view nextText() const { return atEnd() ? "newline" : tokens_[at_].text; }
  // The rest of the operand as written, blanks where the source had them.
  std::string restText() {
    std::string text;
    for (; !atEnd(); ++at_) {
      if (!text.empty() && tokens_[at_].has(token_flag::kLeadingSpace)) text += ' ';
      text += tokens_[at_].text;
    }
    return text;
  }

 private:
  std::span<const Token> tokens_;
  std::size_t at_ = 0;
};

int FunctionMarks::disinterruptOf(std::string_view name) const {
  auto found = disinterrupt.find(std::string(name));
  return found == disinterrupt.end() ? 0 : found->second;
}

bool FunctionMarks::isInline(std::string_view name) const {
  return inlineFunctions.count(std::string(name)) != 0;
}

bool FunctionMarks::isBuiltin(std::string_view name) const {
  std::string key(name);
  if (!builtinFunctions.count(key)) return false;
  auto own = builtinSwitch.find(key);
  return own == builtinSwitch.end() ? builtinsEnabled : own->second;
}

bool mayBeInline(const Symbol& function) {
  const FunctionInfo* info = function.type ? function.type->function : nullptr;
  if (!info) return false;
  return info->convention == CallConvention::adecl || info->convention == CallConvention::cdecl;
}

Pragmas::Pragmas(RunOptions& options, Diagnostics& diagnostics, SectionTable& sections,
                 FunctionMarks& marks, PragmaPlace& place, PragmaRecords& records,
                 BuiltinFileReader* builtinFiles)
    : options_(options),
      diagnostics_(diagnostics),
      sections_(sections),
      marks_(marks),
      place_(place),
      records_(records),
      builtinFiles_(builtinFiles) {}

void Pragmas::handlePragma(PragmaId id, const Token& keyword, std::span<const Token> tokens) {
  line_ = keyword.line;
  Operand operand(tokens);
  bool writesRecord = id == PragmaId::opt || id == PragmaId::define || id == PragmaId::checkStack ||
                      id == PragmaId::loopOpt || id == PragmaId::section;
  if (writesRecord && place_.inInitializer()) {
    diagnostics_.report(Message::pragmaInInitializer);
    return;
  }
  switch (id) {
    case PragmaId::opt:
      return opt(operand);
    case PragmaId::externSize:
      return externSize(operand);
    case PragmaId::disinterrupt:
      return disinterrupt(operand);
    case PragmaId::builtinFile:
      return builtinFile(operand);
    case PragmaId::builtinOn:
      return builtinSwitch(operand, true);
    case PragmaId::builtinOff:
      return builtinSwitch(operand, false);
    case PragmaId::inlineFunctions:
      return inlineFunctions(operand);
    case PragmaId::io:
      return io(operand);
    case PragmaId::adecl:
    case PragmaId::cdecl:
      if (!operand.atEnd()) {
        diagnostics_.report(Message::unexpectedPragmaToken, {operand.nextText()});
        return;
      }
      options_.defaultCallConv = id == PragmaId::adecl ? 'a' : 'c';
      return;
    case PragmaId::checkStack:
      return onOff(operand, "STACK,");
    case PragmaId::loopOpt:
      return onOff(operand, "LOOP,");
    case PragmaId::pack:
      return pack(operand);
    case PragmaId::section:
      return section(operand);
    case PragmaId::define:
      return define(operand);
  }
}

// name [, name ...]
void Pragmas::nameList(Operand& operand, const std::function<void(std::string_view)>& each) {
  do {
    const Token* name = operand.identifier();
    if (!name) {
      diagnostics_.report(Message::pragmaKeywordExpected, {operand.nextText()});
      return;
    }
    each(name->text);
  } while (operand.accept(","));
  if (!operand.atEnd()) diagnostics_.report(Message::unexpectedPragmaToken, {operand.nextText()});
}

void Pragmas::record(const std::string& text) {
  records_.pragmaRecord(text, place_.inFunctionBody() ? std::optional(line_) : std::nullopt);
}

// opt number
void Pragmas::opt(Operand& operand) {
  std::optional<unsigned long> level = operand.peek() ? numberOf(*operand.peek()) : std::nullopt;
  if (!level) {
    diagnostics_.report(Message::pragmaKeywordExpected, {operand.nextText()});
    return;
  }
  operand.take();
  if (!operand.atEnd()) {
    diagnostics_.report(Message::unexpectedPragmaToken, {operand.nextText()});
    return;
  }
  unsigned long written = *level > kMaxOptimisation ? kMaxOptimisation : *level;
  record("OPT," + std::to_string(written) + "\n");
}

// extern tiny | near
void Pragmas::externSize(Operand& operand) {
  const Token* word = operand.identifier();
  std::optional<SizeWord> size = word ? sizeWordOf(word->text) : std::nullopt;
  if (!size) {
    diagnostics_.report(Message::pragmaKeywordExpected, {word ? word->text : operand.nextText()});
    return;
  }
  if (*size != SizeWord::tiny && *size != SizeWord::near) {
    diagnostics_.report(Message::illegalSectionSize);
    return;
  }
  if (!operand.atEnd()) {
    diagnostics_.report(Message::unexpectedPragmaToken, {operand.nextText()});
    return;
  }
  options_.displacementX = options_.displacementY = *size;
}

bool Pragmas::checkFunctionName(std::string_view name) {
  const Symbol* symbol = place_.lookUp(name);
  if (symbol && symbol->kind != SymbolKind::function) {
    diagnostics_.report(Message::redeclaration, {name});
    return false;
  }
  return true;
}

// disinterrupt ( [number] ) name [, name ...]
void Pragmas::disinterrupt(Operand& operand) {
  if (options_.builtinMake & 0x01) {
    diagnostics_.report(Message::disinterruptForInline);
    return;
  }
  if (!operand.accept("(")) {
    diagnostics_.report(Message::pragmaKeywordExpected, {operand.nextText()});
    return;
  }
  unsigned long number = 0;
  if (const Token* next = operand.peek(); next && next->kind == TokenKind::number) {
    std::optional<unsigned long> value = numberOf(operand.take());
    if (!value) {
      diagnostics_.report(Message::pragmaKeywordExpected, {next->text});
      return;
    }
    number = *value;
    if (number > kMaxDisinterrupt) {
      diagnostics_.report(Message::pragmaKeywordExpected, {"number too big"});
      number = kMaxDisinterrupt;
    }
  }
  if (!operand.accept(")")) {
    diagnostics_.report(Message::pragmaParenthesisExpected, {operand.nextText()});
    return;
  }
  int mark = static_cast<int>(number) + 1;
  nameList(operand, [&](std::string_view name) {
    if (marks_.isInline(name) || marks_.builtinFunctions.count(std::string(name))) {
      diagnostics_.report(Message::disinterruptForInline);
      return;
    }
    if (!checkFunctionName(name)) return;
    auto [entry, added] = marks_.disinterrupt.try_emplace(std::string(name), mark);
    if (!added && entry->second != mark) diagnostics_.report(Message::redeclaration, {name});
  });
}

// builtin_file "name" | <name>
void Pragmas::builtinFile(Operand& operand) {
  if (place_.inBlockScope()) {
    diagnostics_.report(Message::builtinFileInBlock);
    return;
  }
  std::string name;
  bool angled = false;
  if (const Token* next = operand.peek();
      next && next->kind == TokenKind::string && next->text.size() >= 2 && next->text[0] == '"') {
    name = std::string(next->text.substr(1, next->text.size() - 2));
    operand.take();
  } else if (operand.accept("<")) {
    angled = true;
    while (!operand.atEnd() && !operand.peek()->is(">")) name += operand.take().text;
    if (!operand.accept(">")) name.clear();
  }
  if (name.empty()) {
    diagnostics_.report(Message::illegalBuiltinFilePragma);
    return;
  }
  if (!operand.atEnd()) {
    diagnostics_.report(Message::unexpectedPragmaToken, {operand.nextText()});
    return;
  }
  if (builtinFiles_) builtinFiles_->readBuiltinFile(name, angled);
}

// builtin_on [name [, name ...]] and builtin_off likewise. A name switched before any file
// enters it keeps its switch for when one does.
void Pragmas::builtinSwitch(Operand& operand, bool enable) {
  if (operand.atEnd()) {
    marks_.builtinsEnabled = enable;
    marks_.builtinSwitch.clear();
    return;
  }
  nameList(operand,
           [&](std::string_view name) { marks_.builtinSwitch[std::string(name)] = enable; });
}

// inline name [, name ...]
void Pragmas::inlineFunctions(Operand& operand) {
  nameList(operand, [&](std::string_view name) {
    if (marks_.disinterruptOf(name) != 0) {
      diagnostics_.report(Message::disinterruptForInline);
      return;
    }
    if (!checkFunctionName(name)) return;
    const Symbol* symbol = place_.lookUp(name);
    if (symbol && !mayBeInline(*symbol)) {
      diagnostics_.report(Message::illegalInlineFunctionType, {name});
      return;
    }
    marks_.inlineFunctions.emplace(name);
  });
}

// io name number
void Pragmas::io(Operand& operand) {
  if (place_.inBlockScope()) {
    diagnostics_.report(Message::ioVariableInBlock);
    return;
  }
  const Token* name = operand.identifier();
  if (!name) {
    diagnostics_.report(Message::pragmaKeywordExpected, {operand.nextText()});
    return;
  }
  std::optional<unsigned long> address = operand.peek() ? numberOf(*operand.peek()) : std::nullopt;
  if (!address) {
    diagnostics_.report(Message::pragmaKeywordExpected, {operand.nextText()});
    return;
  }
  operand.take();
  if (*address > static_cast<unsigned long>(kMaxIoAddress)) {
    diagnostics_.report(Message::illegalSectionSize);
    return;
  }
  if (!operand.atEnd()) {
    diagnostics_.report(Message::unexpectedPragmaToken, {operand.nextText()});
    return;
  }
  if (place_.lookUp(name->text)) {
    diagnostics_.report(Message::redeclaration, {name->text});
    return;
  }
  place_.declareIoVariable(name->text, static_cast<std::uint32_t>(*address));
}

// check_stack on | off, loop_opt on | off
void Pragmas::onOff(Operand& operand, std::string_view record) {
  const Token* word = operand.identifier();
  if (!word || (word->text != "on" && word->text != "off")) {
    diagnostics_.report(Message::pragmaOnOffExpected);
    return;
  }
  if (!operand.atEnd()) {
    diagnostics_.report(Message::unexpectedPragmaToken, {operand.nextText()});
    return;
  }
  this->record(std::string(record) + (word->text == "on" ? "1" : "0") + "\n");
}

// pack ( 1 | 2 | 4 ), pack ()
void Pragmas::pack(Operand& operand) {
  if (!operand.accept("(")) {
    diagnostics_.report(Message::pragmaPackExpected);
    return;
  }
  std::uint8_t packing = options_.packAlignDefault;
  if (!operand.accept(")")) {
    std::optional<unsigned long> value = operand.peek() ? numberOf(*operand.peek()) : std::nullopt;
    if (!value || (*value != 1 && *value != 2 && *value != 4)) {
      diagnostics_.report(Message::pragmaPackExpected);
      return;
    }
    operand.take();
    if (!operand.accept(")")) {
      diagnostics_.report(Message::pragmaParenthesisExpected, {operand.nextText()});
      return;
    }
    packing = static_cast<std::uint8_t>(*value);
  }
  if (!operand.atEnd()) {
    diagnostics_.report(Message::unexpectedPragmaToken, {operand.nextText()});
    return;
  }
  options_.packAlign = packing;
}

// section kind [name [size | number]]
void Pragmas::section(Operand& operand) {
  const Token* kindWord = operand.identifier();
  std::optional<SectionKind> kind = kindWord ? sectionKindOf(kindWord->text) : std::nullopt;
  if (!kind) {
    diagnostics_.report(Message::pragmaKeywordExpected,
                        {kindWord ? kindWord->text : operand.nextText()});
    return;
  }
  std::optional<std::string_view> name;
  std::optional<SizeWord> size;
  std::optional<unsigned long> number;
  // A size word where the name would stand is the size: the kind's name at that size.
  if (const Token* next = operand.peek(); next && !sizeWordOf(next->text)) {
    if (!isSectionName(next->text) || next->kind != TokenKind::identifier) {
      diagnostics_.report(Message::pragmaKeywordExpected, {next->text});
      return;
    }
    name = operand.take().text;
  }
  if (const Token* next = operand.peek(); next && next->kind == TokenKind::identifier) {
    size = sizeWordOf(operand.take().text);
    if (!size || *kind == SectionKind::io || !sectionSizeAllowed(*kind, *size)) {
      diagnostics_.report(Message::illegalSectionSize);
      return;
    }
  } else if (next) {
    if (!operand.accept("-")) operand.accept("+");
    number = operand.peek() ? numberOf(*operand.peek()) : std::nullopt;
    if (!number) {
      diagnostics_.report(Message::unexpectedPragmaToken, {operand.nextText()});
      return;
    }
    operand.take();
    if (*number > SectionTable::kMaxNumericSize) {
      diagnostics_.report(Message::illegalSectionSize);
      return;
    }
    if (*kind != SectionKind::io)
      size = *number <= SectionTable::kTinySectionBytes && sectionSizeAllowed(*kind, SizeWord::tiny)
                 ? SizeWord::tiny
                 : SizeWord::near;
  }
  if (!operand.atEnd()) {
    diagnostics_.report(Message::unexpectedPragmaToken, {operand.nextText()});
    return;
  }
  record(sections_.select(*kind, name, size, number));
}

// define name text
void Pragmas::define(Operand& operand) {
  const Token* name = operand.identifier();
  if (!name) {
    diagnostics_.report(Message::pragmaKeywordExpected, {operand.nextText()});
    return;
  }
  std::string text = operand.restText();
  if (options_.debugFlags & 0x04) record("DEFINE," + std::string(name->text) + "," + text + "\n");
}

}  // namespace kz::cfront
