// Declarations: specifiers, declarators, data objects with their initialisers, functions
// with register parameters and prototypes, structures and unions.
#include "clike/parser.h"

namespace kz::clike {
namespace {

constexpr int kExtern = 1;
constexpr int kStatic = 2;
constexpr int kRegister = 4;
constexpr int kTypedef = 5;

bool isSectionWord(const Token& token) {
  return token.kind == TokenClass::typeWord &&
         (token.value == 48 || token.value == 49 || token.value == 50 || token.value == 52);
}

Area areaOf(SectionType type) {
  switch (type) {
    case SectionType::io:
      return Area::io;
    case SectionType::area:
      return Area::area;
    case SectionType::data:
      return Area::data;
    case SectionType::constant:
      return Area::constant;
    case SectionType::code:
      return Area::code;
  }
  return Area::none;
}

SizeAttribute attributeOfWord(std::int32_t value) {
  return value == 17 ? SizeAttribute::tiny : value == 19 ? SizeAttribute::far : SizeAttribute::near;
}

// An object of this type would need the members of a structure or union not yet defined.
bool sizeUnknown(const Type& type) {
  for (const Derivation& derivation : type.derivations) {
    if (derivation.kind != DerivationKind::array) return false;
  }
  return (type.base == BaseType::structType || type.base == BaseType::unionType) &&
         (!type.aggregate || !type.aggregate->complete);
}

// A derivation that no type may have inside the one before it: a function returning an
// array or a function, an array of functions.
bool impossibleAfter(const Derivation& outer, const Derivation& inner) {
  if (outer.kind == DerivationKind::function) return inner.kind != DerivationKind::pointer;
  return outer.kind == DerivationKind::array && inner.kind == DerivationKind::function;
}

}  // namespace

bool Parser::startsDeclaration() {
  const Token& token = peek();
  switch (token.kind) {
    case TokenClass::storageClass:
    case TokenClass::typeWord:
    case TokenClass::structUnion:
    case TokenClass::pointerAttribute:
      return true;
    case TokenClass::identifier:
      return token.symbol && token.symbol->typedefName;
    default:
      return false;
  }
}

// A name that is no type where a declaration needs one (`byte x;` without a typedef of
// byte): error 205. It is taken, and the declaration goes on without a type word.
bool Parser::unknownTypeName(bool starFollows) {
  const Token& token = peek();
  if (token.kind != TokenClass::identifier || !token.symbol || token.symbol->typedefName)
    return false;
  TokenClass next = peekSecond().kind;
  bool declaratorFollows = next == TokenClass::identifier || next == TokenClass::register8 ||
                           next == TokenClass::register16 ||
                           (starFollows && next == TokenClass::star);
  if (!declaratorFollows) return false;
  diagnostics_.reportError(Message::classOrTypeExpected, take().text);
  return true;
}

void Parser::applyTypeWord(Specifiers& s, const Token& token) {
  auto invalid = [&](std::string_view text) {
    // A type word beside a typedef name leaves the typedef's type as it is.
    if (s.fromTypedef) {
      diagnostics_.reportError(Message::incorrectTypeDeclaration, text);
      return;
    }
    diagnostics_.reportError(Message::invalidType, text);
    s.invalid = true;
  };
  BaseType& base = s.type.base;
  bool wasUnsigned = s.unsignedGiven;
  switch (token.value) {
    case 6:
      ++s.constCount;
      s.type.isConst = true;
      return;
    case 32:
      diagnostics_.reportError(Message::signedNotAllowed);
      s.invalid = true;
      return;
    case 64:
      if (wasUnsigned) {
        invalid(token.text);
        return;
      }
      s.unsignedGiven = true;
      if (base == BaseType::charType)
        base = BaseType::ucharType;
      else if (base == BaseType::shortType)
        base = BaseType::ushortType;
      else if (base != BaseType::none)
        invalid(token.text);
      return;
    case 4:
    case 5:
      invalid(token.text);
      return;
    default:
      break;
  }
  if (s.typeWordText.empty()) s.typeWordText = token.text;
  if (base != BaseType::none || (wasUnsigned && (token.value == 1 || token.value == 9))) {
    invalid(token.text);
    return;
  }
  switch (token.value) {
    case 1:
      base = BaseType::voidType;
      break;
    case 2:
      base = wasUnsigned ? BaseType::ucharType : BaseType::charType;
      break;
    case 3:
      base = wasUnsigned ? BaseType::ushortType : BaseType::shortType;
      break;
    case 9:
      base = BaseType::entryType;
      break;
    default:
      invalid(token.text);
      break;
  }
}

// declaration-specifiers: { storage-class | type-word | "const" | struct-or-union |
//                           pointer-attribute | section-word | typedef-name }
Parser::Specifiers Parser::declarationSpecifiers() {
  Specifiers s;
  while (true) {
    const Token& token = peek();
    if (token.kind == TokenClass::storageClass) {
      Token word = take();
      if (s.storage != 0) {
        diagnostics_.reportError(Message::invalidClass, word.text);
      } else {
        s.storage = word.value;
        s.storageText = word.text;
      }
    } else if (isSectionWord(token)) {
      Token word = take();
      s.sectionWord = true;
      s.sectionWordValue = word.value;
      s.sectionWordText = word.text;
    } else if (token.kind == TokenClass::typeWord) {
      applyTypeWord(s, take());
    } else if (token.kind == TokenClass::structUnion) {
      Token word = take();
      if (s.type.base != BaseType::none) diagnostics_.reportError(Message::invalidType, word.text);
      if (s.typeWordText.empty()) s.typeWordText = word.text;
      AggregateInfo* aggregate = aggregateSpecifier(s, word.value == 8);
      s.type.base = word.value == 8 ? BaseType::unionType : BaseType::structType;
      s.type.aggregate = aggregate;
    } else if (token.kind == TokenClass::pointerAttribute) {
      Token word = take();
      s.objectAttribute = attributeOfWord(word.value);
      s.objectAttributeText = word.text;
    } else if (token.kind == TokenClass::identifier && token.symbol && token.symbol->typedefName &&
               s.type.base == BaseType::none && !s.unsignedGiven) {
      Token word = take();
      bool isConst = s.type.isConst;
      s.type = word.symbol->type;
      s.type.isConst = s.type.isConst || isConst;
      s.typeWordText = word.text;
      s.fromTypedef = true;
    } else if (token.kind == TokenClass::identifier && token.symbol && token.symbol->typedefName &&
               (peekSecond().kind == TokenClass::identifier ||
                peekSecond().kind == TokenClass::star)) {
      // A typedef name after type words (`unsigned byte x;`): the words stay the type.
      diagnostics_.reportError(Message::incorrectTypeDeclaration, take().text);
    } else {
      break;
    }
    s.typeGiven = true;
  }
  if (s.type.base == BaseType::none && s.unsignedGiven) s.type.base = BaseType::ushortType;
  if (s.invalid && s.type.base == BaseType::none) s.type.base = BaseType::ucharType;
  if (s.invalid) {
    // After error 212 the declaration goes on as unsigned char.
    bool isConst = s.type.isConst;
    s.type = Type{};
    s.type.base = BaseType::ucharType;
    s.type.isConst = isConst;
  }
  if (s.type.base == BaseType::none) s.type.base = BaseType::shortType;
  return s;
}

// struct-or-union-specifier: ("struct" | "union") [ tag ] [ "{" { member-declaration } "}" ]
AggregateInfo* Parser::aggregateSpecifier(Specifiers& s, bool isUnion) {
  (void)s;
  Nesting guard(*this);
  SymbolEntry* tag = nullptr;
  if (at(TokenClass::identifier)) tag = take().symbol;
  AggregateInfo* aggregate = nullptr;
  SymbolKind tagKind = isUnion ? SymbolKind::unionTag : SymbolKind::structTag;
  if (tag && tag->aggregate && tag->kind == tagKind) aggregate = tag->aggregate;
  if (!at(TokenClass::openBrace)) {
    if (!aggregate) {
      aggregate = &aggregates_.emplace_back();
      aggregate->tag = tag;
      aggregate->isUnion = isUnion;
      if (tag) {
        if (tag->declared && tag->kind != tagKind)
          diagnostics_.reportError(Message::symbolAlreadyDefined, tag->name);
        tag->kind = tagKind;
        tag->declared = true;
        tag->aggregate = aggregate;
      }
    }
    if (!tag) syntaxError();
    return aggregate;
  }
  if (aggregate && aggregate->complete) {
    diagnostics_.reportError(Message::symbolAlreadyDefined, tag->name);
    aggregate = nullptr;
  }
  if (!aggregate) {
    aggregate = &aggregates_.emplace_back();
    aggregate->tag = tag;
    aggregate->isUnion = isUnion;
    if (tag) {
      if (tag->declared && tag->kind != tagKind && tag->kind != SymbolKind::none)
        diagnostics_.reportError(Message::symbolAlreadyDefined, tag->name);
      tag->kind = tagKind;
      tag->declared = true;
      tag->aggregate = aggregate;
      tag->definedLine = peek().line;
    }
  }
  take();  // {
  ++aggregateDepth_;
  while (!at(TokenClass::closeBrace) && !at(TokenClass::endOfInput)) {
    if (!startsDeclaration() && !unknownTypeName(true)) {
      syntaxError();
      recoverTo(false);
      continue;
    }
    std::size_t aggregatesBefore = aggregates_.size();
    Specifiers member = declarationSpecifiers();
    if (member.storage != 0) diagnostics_.reportError(Message::invalidClass, member.storageText);
    bool definedInside = aggregates_.size() > aggregatesBefore && member.type.aggregate &&
                         member.type.aggregate->complete;
    do {
      Declarator d = declarator();
      if (!d.name) {
        syntaxError();
        break;
      }
      if (!wellFormed(d, member)) continue;
      Type type = typeOf(member, d);
      if (definedInside && type.isPointer())
        diagnostics_.reportError(Message::nestingNotAllowed, d.name->name);
      if (type.isFunction()) {
        diagnostics_.reportError(Message::incorrectTypeDeclaration, d.name->name);
        continue;
      }
      if (sizeUnknown(type)) {
        diagnostics_.reportError(Message::unknownSize, d.name->name);
        continue;
      }
      if (aggregate->find(d.name)) {
        diagnostics_.reportError(Message::symbolAlreadyDefined, d.name->name);
        continue;
      }
      if (aggregate->members.size() >= kMaxMembers) {
        diagnostics_.reportError(Message::tooManyStructMembers, d.name->name);
        continue;
      }
      std::uint32_t size = sizeOf(type);
      Member entry{d.name, type, isUnion ? 0 : aggregate->size};
      aggregate->members.push_back(entry);
      if (!d.name->declared) {
        d.name->kind = isUnion ? SymbolKind::unionMember : SymbolKind::structMember;
        d.name->declared = true;
        d.name->definedLine = d.nameToken.line;
      }
      aggregate->size = isUnion ? std::max(aggregate->size, size) : aggregate->size + size;
      if (aggregate->size > kMaxObjectSize) {
        diagnostics_.reportError(Message::sizeTooLarge, d.name->name);
        aggregate->size = kMaxObjectSize;
      }
    } while (accept(TokenClass::comma));
    if (!expect(TokenClass::semicolon)) recoverTo(false);
  }
  --aggregateDepth_;
  expect(TokenClass::closeBrace);
  aggregate->complete = true;
  return aggregate;
}

// declarator: { "*" [ pointer-attribute ] } direct-declarator
// direct-declarator: ( name | register | "(" declarator ")" ) { "[" [ constant ] "]" |
//                    "(" parameter-list ")" }
Parser::Declarator Parser::declarator() {
  Nesting guard(*this);
  Declarator d;
  std::vector<Derivation> pointers;
  while (accept(TokenClass::star)) {
    Derivation pointer;
    pointer.kind = DerivationKind::pointer;
    if (at(TokenClass::pointerAttribute)) {
      Token word = take();
      pointer.attribute = attributeOfWord(word.value);
      pointer.attributeWritten = true;
    }
    pointers.push_back(pointer);
  }
  Declarator inner;
  bool nested = false;
  if (at(TokenClass::openParen) &&
      (peekSecond().kind == TokenClass::star || peekSecond().kind == TokenClass::openParen)) {
    take();
    inner = declarator();
    nested = true;
    expect(TokenClass::closeParen);
    d.name = inner.name;
    d.nameToken = inner.nameToken;
    d.registerName = inner.registerName;
  } else if (at(TokenClass::identifier)) {
    d.nameToken = take();
    d.name = d.nameToken.symbol;
  } else if (at(TokenClass::register8) || at(TokenClass::register16)) {
    d.nameToken = take();
    d.registerName = true;
  }
  std::vector<Derivation> suffixes;
  while (true) {
    if (accept(TokenClass::openBracket)) {
      Derivation array;
      array.kind = DerivationKind::array;
      if (!at(TokenClass::closeBracket)) {
        std::int32_t count = 0;
        if (!constantExpression(count) || count <= 0) {
          diagnostics_.reportError(Message::arraySizeUnmatch, d.name ? d.name->name : "");
          count = 1;
        }
        array.sized = true;
        array.count = static_cast<std::uint32_t>(count);
      }
      expect(TokenClass::closeBracket);
      suffixes.push_back(array);
    } else if (at(TokenClass::openParen)) {
      take();
      FunctionInfo& function = functions_.emplace_back();
      parameterList(d, function);
      Derivation derivation;
      derivation.kind = DerivationKind::function;
      derivation.function = &function;
      suffixes.push_back(derivation);
      if (nested && !inner.derivations.empty() &&
          inner.derivations.back().kind == DerivationKind::pointer && function.prototype &&
          !function.parameters.empty())
        d.pointerToFunctionWithList = true;
    } else {
      break;
    }
  }
  d.derivations = inner.derivations;
  d.derivations.insert(d.derivations.end(), suffixes.begin(), suffixes.end());
  d.derivations.insert(d.derivations.end(), pointers.rbegin(), pointers.rend());
  d.parameters = inner.parameters;
  if (d.parameters.empty() && !suffixes.empty() &&
      suffixes.front().kind == DerivationKind::function)
    d.parameters = suffixes.front().function->parameters;
  return d;
}

// parameter-list: [ "void" | parameter { "," parameter } ]
// parameter: declaration-specifiers register
void Parser::parameterList(Declarator& d, FunctionInfo& function) {
  (void)d;
  if (accept(TokenClass::closeParen)) return;
  function.prototype = true;
  if (at(TokenClass::typeWord) && peek().value == 1 &&
      peekSecond().kind == TokenClass::closeParen) {
    take();
    take();
    return;
  }
  std::vector<std::int32_t> seen;
  do {
    Token first = peek();
    bool typed = startsDeclaration() || unknownTypeName(false);
    Specifiers s;
    if (typed) s = declarationSpecifiers();
    if (s.storage != 0 && s.storage != kRegister)
      diagnostics_.reportError(Message::invalidClass, s.storageText);
    Declarator p = declarator();
    if (!typed) diagnostics_.reportError(Message::typeDeclarationExpected, first.text);
    if (!p.registerName) {
      diagnostics_.reportError(Message::onlyRegisterPermitted,
                               p.name ? p.name->name : p.nameToken.text);
      continue;
    }
    std::int32_t reg = p.nameToken.value;
    bool usable = (p.nameToken.kind == TokenClass::register8) ||
                  (reg == 32 || reg == 34 || reg == 36 || reg == 38);
    if (!usable) {
      diagnostics_.reportError(Message::onlyRegisterPermitted, p.nameToken.text);
      continue;
    }
    for (std::int32_t used : seen) {
      if (used == reg) diagnostics_.reportError(Message::alreadyUsed, p.nameToken.text);
    }
    seen.push_back(reg);
    Parameter parameter;
    parameter.registerValue = reg;
    parameter.registerName = p.nameToken.text;
    parameter.type = typeOf(s, p);
    function.parameters.push_back(parameter);
  } while (accept(TokenClass::comma));
  expect(TokenClass::closeParen);
}

// The declarator's derivations go outside those of a typedef name: with `typedef char
// *text;`, `text names[4];` is an array of pointers.
Type Parser::typeOf(const Specifiers& s, const Declarator& d) {
  Type type = s.type;
  type.derivations = d.derivations;
  type.derivations.insert(type.derivations.end(), s.type.derivations.begin(),
                          s.type.derivations.end());
  return type;
}

// Error 229 for a type that cannot be; the name is then not entered.
bool Parser::wellFormed(Declarator& d, const Specifiers& s) {
  Type type = typeOf(s, d);
  for (std::size_t i = 0; i + 1 < type.derivations.size(); ++i) {
    if (impossibleAfter(type.derivations[i], type.derivations[i + 1])) {
      diagnostics_.reportError(Message::incorrectTypeDeclaration,
                               d.name ? d.name->name : d.nameToken.text);
      return false;
    }
  }
  return true;
}

// declaration: declaration-specifiers [ init-declarator { "," init-declarator } ] ";"
//            | declaration-specifiers declarator compound-statement
void Parser::declaration(Specifiers s) {
  if (accept(TokenClass::semicolon)) return;
  bool first = true;
  do {
    Declarator d = declarator();
    if (!d.name && !d.registerName) {
      syntaxError();
      return;
    }
    if (d.registerName) {
      diagnostics_.reportError(Message::symbolAlreadyDefined, d.nameToken.text);
      if (at(TokenClass::assign)) {
        take();
        std::int32_t ignored;
        constantExpression(ignored);
      }
      continue;
    }
    if (!wellFormed(d, s)) {
      skipInitialValue();
      continue;
    }
    Type type = typeOf(s, d);
    bool body = first && type.isFunction() && at(TokenClass::openBrace);
    if (s.storage == kTypedef && !body) {
      typedefName(s, d);
      continue;
    }
    if (s.storage == kTypedef || (s.storage == kRegister && !type.isFunction())) {
      // A body makes a typedef a function; file-scope objects are not registers.
      diagnostics_.reportError(Message::invalidClass, s.storageText);
      s.storage = 0;
    }
    if (type.isFunction()) {
      functionDeclaration(s, d, body);
      if (body) return;
    } else {
      dataDeclaration(s, d);
    }
    first = false;
  } while (accept(TokenClass::comma));
  expect(TokenClass::semicolon);
}

// typedef: the name stands for the type in every later declaration.
void Parser::typedefName(const Specifiers& s, const Declarator& d) {
  SymbolEntry& symbol = *d.name;
  if (symbol.declared) {
    diagnostics_.reportError(Message::symbolAlreadyDefined, symbol.name);
  } else {
    symbol.declared = true;
    symbol.typedefName = true;
    symbol.type = typeOf(s, d);
    symbol.definedLine = d.nameToken.line;
  }
  if (at(TokenClass::assign)) {
    diagnostics_.reportError(Message::initializationNotAllowed, symbol.name);
    skipInitialValue();
  }
}

// The initial value of a name that takes none: read over, braces balanced.
void Parser::skipInitialValue() {
  if (!accept(TokenClass::assign)) return;
  if (!at(TokenClass::openBrace)) {
    nodes_.clear();
    assignmentExpression();
    return;
  }
  int depth = 0;
  do {
    if (at(TokenClass::openBrace)) ++depth;
    if (at(TokenClass::closeBrace)) --depth;
    take();
  } while (depth > 0 && !at(TokenClass::endOfInput));
}

void Parser::dataDeclaration(const Specifiers& s, Declarator& d) {
  SymbolEntry& symbol = *d.name;
  Type type = typeOf(s, d);
  bool isExtern = s.storage == kExtern;
  const Section* section = currentSection();
  std::string_view name = symbol.name;
  bool failed = false;
  if (d.pointerToFunctionWithList) diagnostics_.reportError(Message::argumentNotAllowed, name);
  if (!isExtern && !section) {
    diagnostics_.reportError(Message::outOfSection, name);
    failed = true;
  }
  bool redeclaration =
      symbol.declared && (symbol.kind == SymbolKind::external || (isExtern && symbol.defined));
  if (symbol.declared && !redeclaration) {
    diagnostics_.reportError(Message::symbolAlreadyDefined, name);
    failed = true;
  } else if (redeclaration && !sameType(symbol.type, type) &&
             !(symbol.type.isArray() && type.isArray())) {
    diagnostics_.reportError(Message::prototypeMismatch, name);
  }
  if (type.base == BaseType::voidType && type.derivations.empty())
    diagnostics_.reportError(Message::invalidType, "void");
  if (type.base == BaseType::entryType && !type.derivations.empty()) {
    std::string text = type.isPointer() ? "*" + std::string(name) : std::string(name) + "[]";
    if (type.isPointer() || type.isArray()) diagnostics_.reportError(Message::syntaxError, text);
  }
  // Pointers that must hold near addresses: to code, to entries, to const objects.
  for (std::size_t i = 0; i < type.derivations.size(); ++i) {
    const Derivation& derivation = type.derivations[i];
    if (derivation.kind != DerivationKind::pointer || derivation.attribute == SizeAttribute::near)
      continue;
    bool toCode =
        i + 1 < type.derivations.size() && type.derivations[i + 1].kind == DerivationKind::function;
    bool toConst =
        i + 1 == type.derivations.size() && (type.base == BaseType::entryType || type.isConst);
    if (toCode || toConst)
      diagnostics_.reportError(Message::incorrectPointerAttribute, "__tiny/__far");
  }
  if (isExtern && (s.sectionWord || s.constCount > 1))
    diagnostics_.reportError(Message::syntaxError, s.sectionWord ? s.sectionWordText : "const");
  // Placement: the current section's type and attribute.
  SizeAttribute attribute = section ? section->attribute : SizeAttribute::near;
  if (isExtern)
    attribute =
        s.objectAttribute == SizeAttribute::tiny ? SizeAttribute::tiny : SizeAttribute::near;
  if (s.objectAttribute == SizeAttribute::far) {
    diagnostics_.reportError(Message::invalidSectionAttribute, "__far");
  } else if (s.objectAttribute == SizeAttribute::tiny &&
             (type.base == BaseType::entryType || type.isConst)) {
    diagnostics_.reportError(Message::invalidSectionAttribute, "__tiny");
  } else if (section && !isExtern && s.objectAttribute != SizeAttribute::none &&
             s.objectAttribute != section->attribute) {
    diagnostics_.reportError(Message::invalidSectionAttribute, name);
  }
  if (section && !isExtern) {
    if (s.sectionWord && s.sectionWordValue != static_cast<int>(section->type))
      diagnostics_.reportError(Message::invalidInThisSection, s.sectionWordText);
    bool isUnion = type.derivations.empty() && type.base == BaseType::unionType;
    if (isUnion && section->type != SectionType::io && section->type != SectionType::area)
      diagnostics_.reportError(Message::invalidInThisSection, name);
    if (type.isConst && section->type != SectionType::constant &&
        section->type != SectionType::code)
      diagnostics_.reportError(Message::invalidInThisSection, name);
  }
  if (sizeUnknown(type) && (!isExtern || type.isAggregate()))
    diagnostics_.reportError(Message::unknownSize, name);

  // Entered as far as understood, so later uses are quiet.
  if (!symbol.declared || redeclaration) {
    symbol.type = type;
    symbol.attribute = attribute;
    if (isExtern) {
      if (!symbol.defined) symbol.kind = SymbolKind::external;
    } else {
      symbol.kind = s.storage == kStatic ? SymbolKind::staticName : SymbolKind::global;
      symbol.area = section ? areaOf(section->type) : Area::none;
    }
  }
  symbol.declared = true;
  if (isExtern) {
    if (at(TokenClass::assign)) {
      diagnostics_.reportError(Message::initializationNotAllowed, name);
      take();
      std::string ignored;
      initialValue(type, ignored, 0);
    }
    return;
  }
  if (failed) {
    if (accept(TokenClass::assign)) {
      std::string ignored;
      initialValue(type, ignored, 0);
    }
    return;
  }
  symbol.defined = true;
  symbol.definedLine = d.nameToken.line;
  if (symbol.kind == SymbolKind::global) publics_.push_back(&symbol);
  bool romSection = section->type == SectionType::constant || section->type == SectionType::code;
  markLine(d.nameToken);
  if (debugInfo_) emitter_.debugLinesHere(debugInfo_->symbolLines(symbol));
  emitter_.dataName(asmName(symbol));
  if (at(TokenClass::assign)) {
    take();
    if (!romSection) {
      diagnostics_.reportError(Message::initializationNotAllowed, name);
      std::string ignored;
      initialValue(type, ignored, 0);
      emitter_.dataSpace(std::max<std::uint32_t>(sizeOf(symbol.type), 1));
      return;
    }
    std::string bytes;
    initialTarget_ = &symbol;
    initialValue(symbol.type, bytes, 0);
    initialTarget_ = nullptr;
    flushBytes(bytes);
  } else {
    if (romSection) diagnostics_.reportError(Message::initializationExpected, name);
    if (symbol.type.isArray() && !symbol.type.derivations.front().sized)
      diagnostics_.reportError(Message::nonSizeArray, name);
    emitter_.dataSpace(sizeOf(symbol.type));
  }
  std::uint32_t size = sizeOf(symbol.type);
  std::uint32_t limit = attribute == SizeAttribute::tiny ? 0x100 : kMaxObjectSize;
  if (size > limit) diagnostics_.reportError(Message::sizeTooLarge, name);
  if (options_.optA != 0 && symbol.type.isArray() && sizeOf(symbol.type.inner()) > 0 &&
      symbol.type.derivations.front().count > 256)
    diagnostics_.reportWarning(Message::outOfUsableRange, name);
}

void Parser::flushBytes(std::string& bytes) {
  if (bytes.empty()) return;
  emitter_.dataBytes(bytes);
  bytes.clear();
}

}  // namespace kz::clike
