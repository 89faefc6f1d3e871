// Function declarations and definitions, and the initial values of data objects.
#include "clike/parser.h"

namespace kz::clike {
namespace {

constexpr int kExtern = 1;
constexpr int kStatic = 2;

void appendValue(std::string& bytes, std::int32_t value, std::uint32_t size) {
  for (std::uint32_t i = 0; i < size; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

void Parser::functionDeclaration(const Specifiers& s, Declarator& d, bool body) {
  SymbolEntry& symbol = *d.name;
  std::string_view name = symbol.name;
  Type type = typeOf(s, d);
  if (!body && s.storage != 0 && s.storage != kExtern)
    diagnostics_.reportError(Message::externExpected, name);
  if (s.type.base == BaseType::structType || s.type.base == BaseType::unionType ||
      s.type.base == BaseType::entryType || s.type.isConst) {
    if (type.derivations.size() == 1) {
      diagnostics_.reportError(Message::invalidType,
                               s.type.isConst && s.typeWordText.empty() ? "const" : s.typeWordText);
    }
  }
  if (s.objectAttribute == SizeAttribute::tiny || s.objectAttribute == SizeAttribute::far)
    diagnostics_.reportError(Message::invalidSectionAttribute, name);
  const FunctionInfo* info = type.derivations.front().function;
  bool known = symbol.declared && symbol.type.isFunction();
  if (symbol.declared && !known) {
    diagnostics_.reportError(Message::symbolAlreadyDefined, name);
  } else if (known) {
    const FunctionInfo* old = symbol.type.derivations.front().function;
    bool comparable = old && info && old->prototype && info->prototype;
    if ((comparable && !sameType(symbol.type, type)) ||
        (!comparable && symbol.type.base != type.base))
      diagnostics_.reportError(Message::prototypeMismatch, name);
    if (body && symbol.defined) diagnostics_.reportError(Message::symbolAlreadyDefined, name);
  }
  if (!symbol.declared || (info && info->prototype)) {
    symbol.type = type;
  }
  symbol.declared = true;
  // A static function's address is local to the module: the second kind of function.
  bool isStatic = s.storage == kStatic;
  symbol.area = isStatic ? Area::secondFunction : Area::function;
  symbol.attribute = SizeAttribute::near;
  // A static prototype (error 230 above) is entered as static: called and never defined,
  // it is an undefined label, which no other module can supply.
  if (!symbol.defined) symbol.kind = isStatic ? SymbolKind::staticName : SymbolKind::external;
  if (!body) return;
  const Section* section = currentSection();
  if (!section) {
    diagnostics_.reportError(Message::outOfSection, name);
  } else if (section->type == SectionType::constant) {
    // Code may stand among ROM data, with a warning.
    diagnostics_.reportWarning(Message::operationCodeInRomdata, name);
  } else if (section->type != SectionType::code) {
    diagnostics_.reportError(Message::invalidInThisSection, name);
  } else if (section->attribute != SizeAttribute::near) {
    diagnostics_.reportError(Message::invalidSectionAttribute, name);
  }
  bool wasDefined = symbol.defined;
  symbol.defined = true;
  symbol.definedLine = d.nameToken.line;
  symbol.kind = s.storage == kStatic ? SymbolKind::staticName : SymbolKind::global;
  if (symbol.kind == SymbolKind::global && !wasDefined) publics_.push_back(&symbol);
  markLine(d.nameToken);
  functionBody(symbol);
}

// initializer: assignment-expression | string | "{" initializer { "," initializer } [","] "}"
void Parser::initialValue(const Type& type, std::string& bytes, int depth) {
  Nesting guard(*this);
  SymbolEntry* target = depth == 0 ? initialTarget_ : nullptr;
  std::string_view name = initialTarget_ ? initialTarget_->name : std::string_view();
  if (type.isArray()) {
    Type element = type.inner();
    const Derivation& array = type.derivations.front();
    bool characters = element.derivations.empty() &&
                      (element.base == BaseType::charType || element.base == BaseType::ucharType);
    std::uint32_t count = 0;
    if (characters && at(TokenClass::string)) {
      std::string_view text = take().text;
      if (array.sized && text.size() > array.count) {
        diagnostics_.reportError(Message::arraySizeUnmatch, name);
        text = text.substr(0, array.count);
      }
      bytes += text;
      count = static_cast<std::uint32_t>(text.size());
      std::uint32_t wanted = array.sized ? array.count : count + 1;
      // The terminating 0 is the string's; more zeros are the compiler's filling.
      if (wanted > count + 1) diagnostics_.reportWarning(Message::dataInitialization, name);
      bytes.append(wanted - count, '\0');
      count = wanted;
    } else {
      if (!expect(TokenClass::openBrace)) return;
      bool tooMany = false;
      while (!at(TokenClass::closeBrace) && !at(TokenClass::endOfInput)) {
        if (array.sized && count >= array.count) {
          if (!tooMany) diagnostics_.reportError(Message::tooManyInitializers, name);
          tooMany = true;
          std::string ignored;
          initialValue(element, ignored, depth + 1);
        } else {
          initialValue(element, bytes, depth + 1);
          ++count;
        }
        if (recovering_ || !accept(TokenClass::comma)) break;
      }
      expect(TokenClass::closeBrace);
      if (array.sized && count < array.count) {
        diagnostics_.reportError(Message::tooFewInitializers, name);
        bytes.append((array.count - count) * sizeOf(element), '\0');
      }
    }
    if (target && !array.sized) {
      target->type.derivations.front().sized = true;
      target->type.derivations.front().count = count;
    }
    return;
  }
  if (type.isAggregate() && type.aggregate) {
    if (!expect(TokenClass::openBrace)) return;
    const AggregateInfo& aggregate = *type.aggregate;
    std::size_t wanted = aggregate.isUnion ? std::min<std::size_t>(1, aggregate.members.size())
                                           : aggregate.members.size();
    std::size_t count = 0;
    std::uint32_t written = 0;
    while (!at(TokenClass::closeBrace) && !at(TokenClass::endOfInput)) {
      if (count >= wanted) {
        if (count == wanted) diagnostics_.reportError(Message::tooManyInitializers, name);
        std::string ignored;
        initialValue(type, ignored, depth + 1);
      } else {
        const Member& member = aggregate.members[count];
        initialValue(member.type, bytes, depth + 1);
        written += sizeOf(member.type);
      }
      ++count;
      if (recovering_ || !accept(TokenClass::comma)) break;
    }
    expect(TokenClass::closeBrace);
    if (count < wanted) diagnostics_.reportError(Message::tooFewInitializers, name);
    // A union's value fills its first member; the bytes beyond it are zeros.
    if (aggregate.isUnion && count == wanted && written < aggregate.size)
      diagnostics_.reportWarning(Message::dataInitialization, name);
    if (written < aggregate.size) bytes.append(aggregate.size - written, '\0');
    return;
  }
  std::uint32_t size = sizeOf(type);
  if (at(TokenClass::string)) {
    take();
    diagnostics_.reportError(Message::illegalStringConstant, name);
    appendValue(bytes, 0, size);
    return;
  }
  nodes_.clear();
  int value = assignmentExpression();
  if (value < 0) return;
  std::int32_t constant = 0;
  if (foldConstant(nodes_, value, constant)) {
    if (size == 1 && (constant < -128 || constant > 255))
      diagnostics_.reportWarning(Message::dataTruncation, name);
    appendValue(bytes, constant, size);
    return;
  }
  // An address: &object, or the name of an array, function or entry.
  const Node& n = nodes_[value];
  std::optional<Operand> address;
  if (n.kind == NodeKind::address) {
    address = addressOf(n.a);
  } else if (n.kind == NodeKind::name && (n.symbol->type.isArray() || n.symbol->type.isFunction() ||
                                          n.symbol->type.base == BaseType::entryType)) {
    useSymbol(*n.symbol);
    address = symbolicImmediate(asmName(*n.symbol));
  } else {
    diagnostics_.reportError(Message::absoluteExpressionExpected, name);
    appendValue(bytes, 0, size);
    return;
  }
  if (!address) {
    appendValue(bytes, 0, size);
    return;
  }
  if (size != 2) {
    diagnostics_.reportError(Message::absoluteExpressionExpected, name);
    appendValue(bytes, 0, size);
    return;
  }
  flushBytes(bytes);
  emitter_.dataWord(address->text);
}

}  // namespace kz::clike
