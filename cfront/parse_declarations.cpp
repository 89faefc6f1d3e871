// Declaration specifiers, declarators, struct/union/enum bodies and parameter lists.
#include <string>

#include "cfront/parser.h"

namespace kz::cfront {
namespace {

// Slots of the type words counted while reading specifiers.
enum TypeWordSlot {
  kVoid,
  kChar,
  kShort,
  kInt,
  kLong,
  kFloat,
  kDouble,
  kSigned,
  kUnsigned,
  kOtherType,  // a typedef name or a struct/union/enum
  kSlots,
};

int slotOf(Tok kind) {
  switch (kind) {
    case Tok::kwVoid:
      return kVoid;
    case Tok::kwChar:
      return kChar;
    case Tok::kwShort:
      return kShort;
    case Tok::kwInt:
      return kInt;
    case Tok::kwLong:
      return kLong;
    case Tok::kwFloat:
      return kFloat;
    case Tok::kwDouble:
      return kDouble;
    case Tok::kwSigned:
      return kSigned;
    case Tok::kwUnsigned:
      return kUnsigned;
    default:
      return -1;
  }
}

bool isStorageWord(Tok kind) {
  return kind == Tok::kwTypedef || kind == Tok::kwExtern || kind == Tok::kwStatic ||
         kind == Tok::kwAuto || kind == Tok::kwRegister;
}

bool isMemoryWord(Tok kind) {
  return kind == Tok::kwTiny || kind == Tok::kwNear || kind == Tok::kwFar || kind == Tok::kwCompact;
}

bool isAttributeWord(Tok kind) {
  return kind == Tok::kwAdecl || kind == Tok::kwCdecl || kind == Tok::kwInterrupt ||
         kind == Tok::kwInterruptN || kind == Tok::kwRegbank || kind == Tok::kwRegbankN ||
         kind == Tok::kwCallv;
}

bool isSpecifierWord(Tok kind) {
  return slotOf(kind) >= 0 || isStorageWord(kind) || isMemoryWord(kind) || isAttributeWord(kind) ||
         kind == Tok::kwConst || kind == Tok::kwVolatile || kind == Tok::kwStruct ||
         kind == Tok::kwUnion || kind == Tok::kwEnum || kind == Tok::kwInline || kind == Tok::kwIo;
}

SizeWord sizeWordOf(Tok kind) {
  switch (kind) {
    case Tok::kwTiny:
      return SizeWord::tiny;
    case Tok::kwFar:
      return SizeWord::far;
    case Tok::kwCompact:
      return SizeWord::compact;
    default:
      return SizeWord::near;
  }
}

StorageClass storageOf(Tok kind) {
  switch (kind) {
    case Tok::kwTypedef:
      return StorageClass::typedefName;
    case Tok::kwExtern:
      return StorageClass::externClass;
    case Tok::kwStatic:
      return StorageClass::staticClass;
    case Tok::kwAuto:
      return StorageClass::autoClass;
    default:
      return StorageClass::registerClass;
  }
}

}  // namespace

bool Parser::isTypeName(const CToken& token) const {
  if (token.kind != Tok::identifier) return false;
  Symbol* symbol = scopes_.find(token.id);
  return symbol && symbol->kind == SymbolKind::typedefName;
}

bool Parser::startsDeclaration() {
  const CToken& token = peek();
  return isSpecifierWord(token.kind) || isTypeName(token);
}

bool Parser::beginsTypeName(const CToken& token) const {
  return (isSpecifierWord(token.kind) && !isStorageWord(token.kind)) || isTypeName(token);
}

bool Parser::startsTypeName() { return beginsTypeName(peek()); }

Specifiers Parser::declarationSpecifiers(bool allowStorage) {
  Specifiers specifiers;
  specifiers.spot = peek().spot;
  int counts[16] = {};
  for (;;) {
    const CToken& token = peek();
    Tok kind = token.kind;
    if (isStorageWord(kind)) {
      CToken word = take();
      StorageClass storage = storageOf(kind);
      if (specifiers.storage != StorageClass::none) {
        diagnostics_.report(Message::duplicateStorageClass, {word.text});
        continue;
      }
      if (!allowStorage) {
        diagnostics_.report(Message::badStorageClass, {word.text});
        continue;
      }
      if (specifiers.sawTypeWord) diagnostics_.warnAt(1, Message::storageClassAfterType);
      specifiers.storage = storage;
    } else if (kind == Tok::kwConst || kind == Tok::kwVolatile) {
      skip();
      std::uint8_t bit = kind == Tok::kwConst ? qualifier::kConst : qualifier::kVolatile;
      if (specifiers.qualifiers & bit) diagnostics_.warnAt(1, Message::duplicateQualifier);
      specifiers.qualifiers |= bit;
    } else if (isMemoryWord(kind)) {
      skip();
      memorySize(specifiers.memory, sizeWordOf(kind));
    } else if (isAttributeWord(kind)) {
      CToken word = take();
      functionAttribute(specifiers, word);
    } else if (kind == Tok::kwInline) {
      skip();
      specifiers.isInline = true;
    } else if (kind == Tok::kwIo) {
      skip();
      specifiers.isIo = true;
    } else if (slotOf(kind) >= 0 || kind == Tok::kwStruct || kind == Tok::kwUnion ||
               kind == Tok::kwEnum) {
      CToken word = take();
      typeWord(specifiers, counts, word);
    } else if (kind == Tok::identifier && !specifiers.sawTypeWord && isTypeName(token)) {
      CToken word = take();
      Symbol* symbol = scopes_.find(word.id);
      specifiers.type = symbol->type;
      specifiers.sawTypeWord = true;
      ++counts[kOtherType];
    } else {
      break;
    }
    specifiers.anySpecifier = true;
  }
  specifiers.type = settleTypeWords(specifiers, counts);
  return specifiers;
}

void Parser::typeWord(Specifiers& specifiers, int (&counts)[16], const CToken& token) {
  specifiers.sawTypeWord = true;
  if (token.kind == Tok::kwStruct || token.kind == Tok::kwUnion) {
    ++counts[kOtherType];
    specifiers.type =
        recordSpecifier(token.kind == Tok::kwStruct ? TypeKind::structType : TypeKind::unionType);
    specifiers.declaredTag = true;
    return;
  }
  if (token.kind == Tok::kwEnum) {
    ++counts[kOtherType];
    specifiers.type = enumSpecifier();
    specifiers.declaredTag = true;
    return;
  }
  int slot = slotOf(token.kind);
  if ((slot == kSigned || slot == kUnsigned) && (counts[kSigned] || counts[kUnsigned])) {
    diagnostics_.report(Message::duplicateSignedness);
    return;
  }
  ++counts[slot];
  if (counts[slot] > 1 || (counts[kOtherType] && slot != kSigned && slot != kUnsigned))
    diagnostics_.report(Message::illegalTypeCombination, {token.text});
}

TypeRef Parser::settleTypeWords(Specifiers& specifiers, const int (&counts)[16]) {
  bool isUnsignedWord = counts[kUnsigned] > 0;
  bool signWord = counts[kSigned] > 0 || isUnsignedWord;
  specifiers.explicitSign = signWord;
  TypeRef base = nullptr;
  auto combination = [&](const char* text) {
    diagnostics_.report(Message::illegalTypeCombination, {text});
  };
  if (counts[kOtherType]) {
    base = specifiers.type;
    if (signWord) combination(isUnsignedWord ? "unsigned" : "signed");
  } else if (counts[kVoid]) {
    if (counts[kChar] + counts[kShort] + counts[kInt] + counts[kLong] + counts[kFloat] +
        counts[kDouble] + signWord)
      combination("void");
    base = types_.basic(TypeKind::voidType);
  } else if (counts[kFloat] || counts[kDouble]) {
    if (counts[kChar] + counts[kShort] + counts[kInt] + signWord ||
        (counts[kFloat] && (counts[kDouble] || counts[kLong])))
      combination(counts[kFloat] ? "float" : "double");
    base = types_.basic(counts[kFloat]  ? TypeKind::floatType
                        : counts[kLong] ? TypeKind::longDouble
                                        : TypeKind::doubleType);
  } else if (counts[kChar]) {
    if (counts[kShort] + counts[kInt] + counts[kLong]) combination("char");
    base = isUnsignedWord    ? types_.basic(TypeKind::unsignedChar)
           : counts[kSigned] ? types_.basic(TypeKind::signedChar)
                             : types_.plainChar();
  } else if (counts[kShort]) {
    if (counts[kLong]) combination("short");
    base = types_.basic(isUnsignedWord ? TypeKind::unsignedShort : TypeKind::shortType);
  } else if (counts[kLong]) {
    base = types_.basic(isUnsignedWord ? TypeKind::unsignedLong : TypeKind::longType);
  } else {
    base = types_.basic(isUnsignedWord ? TypeKind::unsignedInt : TypeKind::intType);
  }
  if (specifiers.qualifiers) base = types_.qualified(base, specifiers.qualifiers);
  return base;
}

void Parser::memorySize(std::optional<SizeWord>& slot, SizeWord size) {
  if (slot) {
    diagnostics_.report(Message::duplicateMemorySize);
    return;
  }
  slot = size;
}

void Parser::functionAttribute(Specifiers& specifiers, const CToken& token) {
  if (token.kind == Tok::kwCallv) {
    if (specifiers.callv) diagnostics_.report(Message::duplicateFunctionAttribute);
    specifiers.callv = true;
    return;
  }
  CallConvention convention = CallConvention::cdecl;
  switch (token.kind) {
    case Tok::kwAdecl:
      convention = CallConvention::adecl;
      break;
    case Tok::kwInterrupt:
      convention = CallConvention::interrupt;
      break;
    case Tok::kwInterruptN:
      convention = CallConvention::interruptN;
      break;
    case Tok::kwRegbank:
      convention = CallConvention::regbank;
      break;
    case Tok::kwRegbankN:
      convention = CallConvention::regbankN;
      break;
    default:
      break;
  }
  if (convention == CallConvention::regbank || convention == CallConvention::regbankN) {
    if (accept(Tok::lparen)) {
      std::optional<long long> bank = constantExpression();
      expect(Tok::rparen);
      if (bank && (*bank < -1 || *bank > 254))
        diagnostics_.report(Message::functionAttributeNotAllowed, {"regbank"});
      else if (bank)
        specifiers.bank = static_cast<int>(*bank);
    }
  }
  if (specifiers.convention != CallConvention::none) {
    diagnostics_.report(Message::duplicateFunctionAttribute);
    return;
  }
  specifiers.convention = convention;
}

TypeRef Parser::recordSpecifier(TypeKind kind) {
  std::string_view tag;
  if (peek().kind == Tok::identifier) tag = take().text;
  bool hasBody = peek().kind == Tok::lbrace;
  Record* record = nullptr;
  if (!tag.empty()) {
    bool declaresOnly = !hasBody && peek().kind == Tok::semicolon;
    record = hasBody || declaresOnly ? scopes_.findTagHere(tag) : scopes_.findTag(tag);
    if (record && record->kind != kind) {
      diagnostics_.report(Message::tagRedeclaration, {tag});
      record = nullptr;
    } else if (record && hasBody && record->complete) {
      diagnostics_.report(Message::tagRedeclaration, {tag});
      record = nullptr;
    }
    if (!record) {
      record = types_.newRecord(kind, tag);
      scopes_.declareTag(tag, record);
    }
  } else {
    if (!hasBody) syntaxError();
    record = types_.newRecord(kind, tag);
  }
  if (hasBody) recordBody(*record);
  return types_.recordType(record);
}

void Parser::recordBody(Record& record) {
  if (++recordNesting_ > kMaxRecordNesting) diagnostics_.report(Message::structNestTooDeep);
  expect(Tok::lbrace);
  std::vector<Member> members;
  while (peek().kind != Tok::rbrace) {
    if (peek().kind == Tok::end) syntaxError();
    memberDeclaration(record, members);
  }
  skip();
  --recordNesting_;
  record.members = std::move(members);
  types_.layOut(record, options_.packAlign, diagnostics_);
  record.complete = true;
}

void Parser::memberDeclaration(Record& record, std::vector<Member>& members) {
  if (!startsTypeName()) syntaxError();
  Specifiers specifiers = declarationSpecifiers(false);
  if (accept(Tok::semicolon)) {
    diagnostics_.warnAt(2, Message::noIdentifierDeclared);
    return;
  }
  for (;;) {
    Member member;
    member.line = peek().spot.line;
    Declarator declarator;
    if (peek().kind != Tok::colon) declarator = this->declarator(specifiers, false, true);
    member.name = declarator.name;
    member.type = declarator.type ? declarator.type : specifiers.type;
    std::string name(member.name);
    if (accept(Tok::colon)) {
      std::optional<long long> width = constantExpression();
      member.isBitField = true;
      TypeRef type = member.type;
      bool isInt = type->kind == TypeKind::intType || type->kind == TypeKind::unsignedInt;
      if (!type->isInteger())
        diagnostics_.report(Message::illegalBitFieldType, {name});
      else if (!isInt)
        diagnostics_.report(Message::bitFieldNeedsInt, {name});
      long long bits = width.value_or(1);
      if (bits < 0 || bits > static_cast<long long>(sizeOf(type) * 8)) {
        diagnostics_.report(Message::bitFieldTooLarge, {name});
        bits = 1;
      }
      member.bitWidth = static_cast<std::uint8_t>(bits);
      if (isInt && options_.unsignedBitFields && type->kind == TypeKind::intType &&
          !specifiers.explicitSign)
        member.type = types_.qualified(types_.basic(TypeKind::unsignedInt), type->qualifiers);
    } else if (member.type->kind == TypeKind::function) {
      diagnostics_.report(Message::functionInStruct, {name});
    } else if (!isComplete(member.type)) {
      diagnostics_.report(Message::unknownSize, {name});
    }
    if (!member.name.empty()) {
      bool duplicate = false;
      for (const Member& other : members) duplicate |= other.name == member.name;
      if (duplicate)
        diagnostics_.report(Message::memberRedeclaration, {name});
      else
        members.push_back(member);
    } else {
      members.push_back(member);
    }
    if (!accept(Tok::comma)) break;
  }
  expect(Tok::semicolon);
  (void)record;
}

TypeRef Parser::enumSpecifier() {
  std::string_view tag;
  if (peek().kind == Tok::identifier) tag = take().text;
  bool hasBody = peek().kind == Tok::lbrace;
  Record* record = nullptr;
  if (!tag.empty()) {
    record = hasBody ? scopes_.findTagHere(tag) : scopes_.findTag(tag);
    if (record && (record->kind != TypeKind::enumType || (hasBody && record->complete))) {
      diagnostics_.report(Message::tagRedeclaration, {tag});
      record = nullptr;
    }
    if (!record) {
      record = types_.newRecord(TypeKind::enumType, tag);
      scopes_.declareTag(tag, record);
    }
  } else {
    if (!hasBody) syntaxError();
    record = types_.newRecord(TypeKind::enumType, tag);
  }
  if (!hasBody) return types_.recordType(record);
  skip();
  long long next = 0;
  long long lowest = 0;
  long long highest = 0;
  bool first = true;
  long long limit = options_.enumBySize ? 65535 : 32767;
  while (peek().kind != Tok::rbrace) {
    CToken name = expectIdentifier();
    if (accept(Tok::assign)) {
      if (std::optional<long long> value = constantExpression()) next = *value;
    }
    if (next < -32768 || next > limit) diagnostics_.report(Message::enumOutOfRange);
    Symbol* symbol = scopes_.findHere(name.id);
    if (symbol) diagnostics_.report(Message::redeclaration, {name.text});
    symbol = scopes_.depth() == 0 ? nodes_.symbol() : nodes_.localSymbol();
    symbol->name = name.text;
    symbol->id = name.id;
    symbol->kind = SymbolKind::enumConstant;
    symbol->type = types_.basic(TypeKind::intType);
    symbol->enumValue = next;
    record->enumerators.push_back({name.text, next});
    symbol->spot = name.spot;
    symbol->defined = true;
    scopes_.declare(symbol);
    lowest = first ? next : std::min(lowest, next);
    highest = first ? next : std::max(highest, next);
    first = false;
    ++next;
    if (!accept(Tok::comma)) break;
  }
  expect(Tok::rbrace);
  types_.settleEnum(*record, lowest, highest);
  record->complete = true;
  return types_.recordType(record);
}

Declarator Parser::declarator(const Specifiers& specifiers, bool abstractAllowed,
                              bool nameRequired) {
  Declarator result;
  result.spot = peek().spot;
  // Pointers written first apply to the base type first; the rest is appended after them.
  pointerPart(result.derivations, specifiers.memory);
  result.objectMemory = pendingObjectMemory_;
  declaratorParts(result, result.derivations, abstractAllowed);
  if (nameRequired && result.name.empty() && !abstractAllowed) syntaxError();
  result.type = applyDerivations(specifiers.type, result.derivations);
  return result;
}

// The direct declarator with its suffixes; derivations receive after what they hold, in
// applying order, the suffixes (right to left) and then what a parenthesised inner declarator
// adds.
void Parser::declaratorParts(Declarator& result, std::vector<Derivation>& derivations,
                             bool abstractAllowed) {
  std::vector<Derivation> inner;
  if (peek().kind == Tok::lparen && groupingParenthesis()) {
    enterNesting();
    skip();
    pointerPart(inner, std::nullopt);
    declaratorParts(result, inner, abstractAllowed);
    expect(Tok::rparen);
    leaveNesting();
  } else if (peek().kind == Tok::identifier) {
    CToken name = take();
    result.name = name.text;
    result.id = name.id;
    result.spot = name.spot;
  } else if (!abstractAllowed) {
    syntaxError();
  }
  std::vector<Derivation> written;
  suffixes(written);
  derivations.insert(derivations.end(), std::make_move_iterator(written.rbegin()),
                     std::make_move_iterator(written.rend()));
  derivations.insert(derivations.end(), std::make_move_iterator(inner.begin()),
                     std::make_move_iterator(inner.end()));
}

// Pointer derivations with their qualifiers, appended to pointers; a memory size before a '*'
// belongs to that pointer, one left over belongs to the declared object.
void Parser::pointerPart(std::vector<Derivation>& pointers, std::optional<SizeWord> pending) {
  for (;;) {
    Tok kind = peek().kind;
    if (isMemoryWord(kind)) {
      skip();
      memorySize(pending, sizeWordOf(kind));
    } else if (kind == Tok::star) {
      skip();
      Derivation pointer;
      pointer.memory = pending;
      pending.reset();
      for (;;) {
        Tok next = peek().kind;
        if (next == Tok::kwConst || next == Tok::kwVolatile) {
          skip();
          std::uint8_t bit = next == Tok::kwConst ? qualifier::kConst : qualifier::kVolatile;
          if (pointer.qualifiers & bit) diagnostics_.warnAt(1, Message::duplicateQualifier);
          pointer.qualifiers |= bit;
        } else {
          break;
        }
      }
      pointers.push_back(std::move(pointer));
    } else {
      break;
    }
  }
  pendingObjectMemory_ = pending;
}

// At '(' in a declarator: true when it groups an inner declarator rather than opening a
// parameter list.
bool Parser::groupingParenthesis() {
  const CToken& next = tokens_.peekSecond();
  if (next.kind == Tok::rparen || next.kind == Tok::ellipsis) return false;
  if (isSpecifierWord(next.kind) && !isMemoryWord(next.kind)) return false;
  if (isTypeName(next)) return false;
  return true;
}

void Parser::suffixes(std::vector<Derivation>& written) {
  for (;;) {
    if (accept(Tok::lbracket)) {
      Derivation array;
      array.kind = Derivation::Kind::array;
      if (peek().kind != Tok::rbracket) {
        std::optional<long long> count = constantExpression();
        if (count && *count < 0) {
          diagnostics_.report(Message::negativeSubscript);
        } else if (count) {
          array.count = static_cast<std::uint32_t>(std::min<long long>(*count, 0xFFFFFFFFLL));
          array.countKnown = true;
        }
      }
      expect(Tok::rbracket);
      written.push_back(std::move(array));
    } else if (peek().kind == Tok::lparen) {
      written.push_back(parameterList());
    } else {
      return;
    }
  }
}

Derivation Parser::parameterList() {
  Derivation function;
  function.kind = Derivation::Kind::function;
  enterNesting();
  expect(Tok::lparen);
  if (accept(Tok::rparen)) {
    leaveNesting();
    return function;
  }
  if (peek().kind == Tok::kwVoid && tokens_.peekSecond().kind == Tok::rparen) {
    skip();
    skip();
    function.function.hasPrototype = true;
    function.function.voidList = true;
    leaveNesting();
    return function;
  }
  if (peek().kind == Tok::identifier && !isTypeName(peek())) {
    for (;;) {
      CToken name = expectIdentifier();
      function.oldStyleNames.push_back(name.text);
      if (!accept(Tok::comma)) break;
    }
    expect(Tok::rparen);
    leaveNesting();
    if (function.oldStyleNames.size() > kMaxParameters)
      diagnostics_.report(Message::tooManyParameters);
    return function;
  }
  function.function.hasPrototype = true;
  scopes_.open();
  try {
    for (;;) {
      if (accept(Tok::ellipsis)) {
        function.function.variadic = true;
        break;
      }
      Symbol* parameter = parameterDeclaration();
      function.parameters.push_back(parameter);
      function.function.parameters.push_back({parameter->name, parameter->type});
      if (!accept(Tok::comma)) break;
    }
    expect(Tok::rparen);
  } catch (const SyntaxError&) {
    scopes_.close();
    throw;
  }
  scopes_.close();
  leaveNesting();
  if (function.parameters.size() > kMaxParameters) diagnostics_.report(Message::tooManyParameters);
  return function;
}

Symbol* Parser::parameterDeclaration() {
  Symbol* parameter = nodes_.localSymbol();
  parameter->kind = SymbolKind::parameter;
  parameter->spot = peek().spot;
  Specifiers specifiers;
  if (startsDeclaration()) {
    specifiers = declarationSpecifiers(true);
    if (specifiers.storage != StorageClass::none &&
        specifiers.storage != StorageClass::registerClass) {
      diagnostics_.warnAt(1, Message::badStorageClass, {"parameter"});
      specifiers.storage = StorageClass::none;
    }
  } else if (peek().kind == Tok::identifier) {
    diagnostics_.report(Message::prototypeNeedsTypes, {peek().text});
    specifiers.type = types_.basic(TypeKind::intType);
  } else {
    syntaxError();
  }
  Declarator declarator = this->declarator(specifiers, true, false);
  if (declarator.objectMemory) diagnostics_.warnAt(1, Message::noUseMemorySize);
  TypeRef type = declarator.type;
  // Arrays and functions are passed as pointers.
  if (type->kind == TypeKind::array)
    type = types_.pointerTo(type->target, SizeWord::near, type->qualifiers);
  else if (type->kind == TypeKind::function)
    type = types_.pointerTo(type);
  if (type->isVoid() && !declarator.name.empty())
    diagnostics_.report(Message::illegalVoidType, {declarator.name});
  parameter->name = declarator.name;
  parameter->id = declarator.id;
  parameter->type = type;
  parameter->storage = specifiers.storage;
  if (!declarator.name.empty()) {
    if (scopes_.findHere(declarator.id))
      diagnostics_.report(Message::redeclaration, {declarator.name});
    scopes_.declare(parameter);
  }
  return parameter;
}

TypeRef Parser::applyDerivations(TypeRef base, const std::vector<Derivation>& derivations) {
  if (derivations.size() > kMaxDerivations) diagnostics_.report(Message::tooManyDeclarations);
  TypeRef type = base;
  std::size_t steps = 0;
  for (const Derivation& step : derivations) {
    if (++steps > kMaxDerivations) break;
    switch (step.kind) {
      case Derivation::Kind::pointer: {
        SizeWord memory = SizeWord::near;
        if (step.memory == SizeWord::tiny) {
          diagnostics_.report(Message::illegalPointerSize);
        } else if (step.memory == SizeWord::far) {
          diagnostics_.warnAt(1, Message::pointerSizeWarning);
        } else if (step.memory) {
          memory = *step.memory;
        }
        type = types_.pointerTo(type, memory, step.qualifiers);
        break;
      }
      case Derivation::Kind::array:
        if (type->kind == TypeKind::function || type->isVoid()) {
          diagnostics_.report(Message::arrayNotAllowed, {type->isVoid() ? "void" : "function"});
          type = types_.basic(TypeKind::intType);
        } else if (type->kind == TypeKind::array && !type->countKnown) {
          diagnostics_.report(Message::nullDimension);
        }
        type = types_.arrayOf(type, step.count, step.countKnown);
        break;
      case Derivation::Kind::function: {
        if (type->kind == TypeKind::array) {
          diagnostics_.report(Message::returnsArray);
          type = types_.pointerTo(type->target);
        } else if (type->kind == TypeKind::function) {
          diagnostics_.report(Message::returnsFunction);
          type = types_.pointerTo(type);
        }
        FunctionInfo info = step.function;
        info.returnType = type;
        type = types_.functionReturning(std::move(info));
        break;
      }
    }
  }
  return type;
}

TypeRef Parser::typeName() {
  if (!startsTypeName()) syntaxError();
  Specifiers specifiers = declarationSpecifiers(false);
  Declarator declarator = this->declarator(specifiers, true, false);
  if (!declarator.name.empty()) syntaxError();
  return declarator.type;
}

}  // namespace kz::cfront
