// Declarations: symbols with their linkage, redeclarations, the checks on objects and
// functions, and function definitions.
#include <string>

#include "cfront/parser.h"

namespace kz::cfront {
namespace {

bool isFunctionDeclarator(const Declarator& declarator) {
  return !declarator.derivations.empty() &&
         declarator.derivations.back().kind == Derivation::Kind::function;
}

const char* storageWord(StorageClass storage) {
  switch (storage) {
    case StorageClass::typedefName:
      return "typedef";
    case StorageClass::externClass:
      return "extern";
    case StorageClass::staticClass:
      return "static";
    case StorageClass::autoClass:
      return "auto";
    case StorageClass::registerClass:
      return "register";
    case StorageClass::none:
      break;
  }
  return "";
}

// Counts an initialiser being read, also when a syntax error leaves it.
class InitializerDepth {
 public:
  explicit InitializerDepth(int& depth) : depth_(depth) { ++depth_; }
  ~InitializerDepth() { --depth_; }
  InitializerDepth(const InitializerDepth&) = delete;
  InitializerDepth& operator=(const InitializerDepth&) = delete;

 private:
  int& depth_;
};

}  // namespace

void Parser::declaration(const Specifiers& specifiers, bool fileScope, std::vector<Stmt*>* block) {
  if (accept(Tok::semicolon)) {
    if (specifiers.type && specifiers.type->record && specifiers.type->record->tag.empty() &&
        specifiers.type->kind != TypeKind::enumType)
      diagnostics_.warnAt(2, Message::untaggedDeclaresNothing);
    else if (!specifiers.declaredTag)
      diagnostics_.warnAt(2, Message::noIdentifierDeclared);
    if (fileScope && specifiers.declaredTag) {
      TopLevel item;
      item.declaredType = specifiers.type;
      emit(item);
    }
    return;
  }
  for (bool first = true;; first = false) {
    Declarator declarator = this->declarator(specifiers, false, true);
    if (first && fileScope && isFunctionDeclarator(declarator) &&
        specifiers.storage != StorageClass::typedefName &&
        (peek().kind == Tok::lbrace ||
         (!declarator.derivations.back().oldStyleNames.empty() && startsDeclaration()))) {
      functionDefinition(specifiers, declarator);
      return;
    }
    Symbol* symbol = declare(specifiers, declarator, fileScope);
    Initializer* init = nullptr;
    if (accept(Tok::assign)) {
      InitializerDepth reading(initializerDepth_);
      init = initializer();
      checkInitializer(symbol, init);
    }
    checkObject(symbol, specifiers, declarator, fileScope);
    if (block) {
      Stmt* stmt = nodes_.stmt();
      stmt->kind = StmtKind::declaration;
      stmt->symbol = symbol;
      stmt->initializer = init;
      stmt->spot = declarator.spot;
      block->push_back(stmt);
    } else if (fileScope) {
      TopLevel item;
      item.symbol = symbol;
      item.initializer = init;
      item.isDefinition = symbol->defined;
      emit(item);
    }
    if (!accept(Tok::comma)) break;
  }
  expect(Tok::semicolon);
}

Symbol* Parser::declare(const Specifiers& specifiers, Declarator& declarator, bool fileScope) {
  TypeRef type = declarator.type;
  StorageClass storage = specifiers.storage;
  bool isFunction = type->kind == TypeKind::function;
  if (isFunction) {
    if (specifiers.isIo) diagnostics_.report(Message::illegalReturnType, {"__io type"});
    FunctionInfo info = *type->function;
    checkFunctionAttributes(info, specifiers);
    type = types_.functionReturning(std::move(info));
    if (!fileScope && storage != StorageClass::none && storage != StorageClass::externClass &&
        storage != StorageClass::typedefName)
      diagnostics_.report(Message::functionMustBeExtern, {declarator.name});
    if (fileScope && (storage == StorageClass::autoClass || storage == StorageClass::registerClass))
      diagnostics_.report(Message::functionMustBeExtern, {declarator.name});
  } else if (specifiers.convention != CallConvention::none || specifiers.callv) {
    bool pointsToFunction =
        type->kind == TypeKind::pointer && type->target && type->target->kind == TypeKind::function;
    if (!pointsToFunction && storage != StorageClass::typedefName)
      diagnostics_.report(Message::functionAttributeNotAllowed,
                          {specifiers.callv ? "callv" : "interrupt"});
  }
  if (fileScope && (storage == StorageClass::autoClass || storage == StorageClass::registerClass)) {
    diagnostics_.warnAt(1, Message::badStorageClass, {storageWord(storage)});
    storage = StorageClass::none;
  }
  declarator.type = type;
  if (Symbol* previous = scopes_.findHere(declarator.id))
    return redeclare(previous, specifiers, declarator, fileScope);

  Symbol* symbol = fileScope ? nodes_.symbol() : nodes_.localSymbol();
  symbol->name = declarator.name;
  symbol->id = declarator.id;
  symbol->spot = declarator.spot;
  symbol->type = type;
  symbol->storage = storage;
  symbol->isIo = specifiers.isIo;
  if (storage == StorageClass::typedefName) {
    symbol->kind = SymbolKind::typedefName;
  } else if (isFunction) {
    symbol->kind = SymbolKind::function;
    symbol->linkage = storage == StorageClass::staticClass ? Linkage::internal : Linkage::external;
  } else {
    symbol->kind = SymbolKind::object;
    if (fileScope)
      symbol->linkage =
          storage == StorageClass::staticClass ? Linkage::internal : Linkage::external;
    else if (storage == StorageClass::externClass)
      symbol->linkage = Linkage::external;
    symbol->defined = storage != StorageClass::externClass;
  }
  // A block-scope extern refers to the file-scope object of that name when there is one.
  if (!fileScope && symbol->linkage == Linkage::external) {
    if (Symbol* outer = scopes_.find(declarator.id);
        outer && outer->linkage != Linkage::none && !compatible(outer->type, type))
      diagnostics_.report(Message::redeclaration, {declarator.name});
  }
  scopes_.declare(symbol);
  return symbol;
}

Symbol* Parser::redeclare(Symbol* previous, const Specifiers& specifiers, Declarator& declarator,
                          bool fileScope) {
  std::string name(declarator.name);
  TypeRef type = declarator.type;
  StorageClass storage = specifiers.storage;
  bool bothTypedef =
      previous->kind == SymbolKind::typedefName && storage == StorageClass::typedefName;
  bool kindsDiffer =
      (previous->kind == SymbolKind::typedefName) != (storage == StorageClass::typedefName) ||
      previous->kind == SymbolKind::enumConstant || previous->kind == SymbolKind::parameter;
  bool blockObject =
      !fileScope && (previous->linkage == Linkage::none || storage != StorageClass::externClass);
  if (bothTypedef || kindsDiffer || (blockObject && previous->kind != SymbolKind::function)) {
    diagnostics_.report(Message::redeclaration, {name});
    return previous;
  }
  if (!compatible(previous->type, type)) {
    bool arraysOnly = previous->type->kind == TypeKind::array && type->kind == TypeKind::array &&
                      compatible(previous->type->target, type->target);
    if (arraysOnly) {
      diagnostics_.warnAt(1, Message::redeclarationSubscript, {name});
    } else {
      diagnostics_.report(Message::redeclaration, {name});
      return previous;
    }
  } else {
    previous->type = composite(types_, previous->type, type);
  }
  if (storage == StorageClass::staticClass && previous->linkage == Linkage::external)
    diagnostics_.warnAt(3, Message::redeclarationClass, {name});
  if (storage != StorageClass::externClass && previous->kind == SymbolKind::object)
    previous->defined = true;
  return previous;
}

void Parser::checkObject(Symbol* symbol, const Specifiers& specifiers, const Declarator& declarator,
                         bool fileScope) {
  if (symbol->kind != SymbolKind::object) return;
  std::string name(symbol->name);
  TypeRef type = symbol->type;
  bool automatic = !fileScope && specifiers.storage != StorageClass::staticClass &&
                   specifiers.storage != StorageClass::externClass;
  if (specifiers.isIo) {
    if (!fileScope) diagnostics_.report(Message::ioVariableInBlock);
    if (symbol->initialised) diagnostics_.report(Message::ioVariableInitialized);
  }
  if (type->isVoid()) {
    diagnostics_.report(Message::illegalVoidType, {name});
    return;
  }
  if (declarator.objectMemory) {
    if (automatic) {
      diagnostics_.warnAt(1, Message::noUseMemorySize);
    } else {
      symbol->memory = *declarator.objectMemory;
      symbol->memoryGiven = true;
    }
  }
  std::uint32_t size = sizeOf(type);
  if (symbol->memory == SizeWord::tiny && size > 256)
    diagnostics_.report(Message::objectTooLarge, {"tiny"});
  else if (symbol->memory == SizeWord::near && size > 65536)
    diagnostics_.report(Message::objectTooLarge, {"near"});
  if (!fileScope && specifiers.storage != StorageClass::externClass && !isComplete(type)) {
    if (type->kind == TypeKind::array && !type->countKnown)
      diagnostics_.report(Message::nullDimension);
    else
      diagnostics_.report(Message::unknownSize, {name});
  }
  if (type->isConst() && !symbol->initialised && specifiers.storage != StorageClass::externClass)
    diagnostics_.warnAt(3, Message::constNotInitialized, {name});
}

void Parser::checkFunctionAttributes(FunctionInfo& info, const Specifiers& specifiers) {
  if (specifiers.convention != CallConvention::none)
    info.convention = specifiers.convention;
  else if (info.convention == CallConvention::none)
    info.convention =
        options_.defaultCallConv == 'a' ? CallConvention::adecl : CallConvention::cdecl;
  info.bank = specifiers.bank;
  info.callv = specifiers.callv;
  if (info.callv && (info.convention == CallConvention::interrupt ||
                     info.convention == CallConvention::interruptN)) {
    diagnostics_.report(Message::functionAttributeNotAllowed, {"callv"});
    info.callv = false;
  }
}

void Parser::functionDefinition(const Specifiers& specifiers, Declarator& declarator) {
  Derivation& function = declarator.derivations.back();
  Symbol* symbol = declare(specifiers, declarator, true);
  if (symbol->kind == SymbolKind::function && symbol->defined)
    diagnostics_.report(Message::redeclaration, {declarator.name});
  std::vector<Symbol*> parameters = function.parameters;
  if (!function.oldStyleNames.empty()) {
    diagnostics_.warnAt(3, Message::oldStyleDeclarator, {declarator.name});
    oldStyleParameters(function, parameters);
  }
  symbol->defined = true;
  scopes_.open();
  for (Symbol* parameter : parameters)
    if (!parameter->name.empty()) scopes_.declare(parameter);
  currentFunction_ = symbol;
  expressions_.setCurrentFunction(symbol->name);
  scopes_.clearLabels();
  Stmt* body = compoundStatement(true);
  finishFunction(symbol);
  scopes_.close();
  currentFunction_ = nullptr;
  TopLevel item;
  item.symbol = symbol;
  item.body = body;
  item.parameters = std::move(parameters);
  item.isDefinition = true;
  emit(item);
}

// The declarations between an identifier list and the body: each names a parameter; a name
// without one is an int.
void Parser::oldStyleParameters(Derivation& function, std::vector<Symbol*>& parameters) {
  for (std::string_view name : function.oldStyleNames) {
    Symbol* parameter = nodes_.localSymbol();
    parameter->kind = SymbolKind::parameter;
    parameter->name = name;
    parameter->type = types_.basic(TypeKind::intType);
    parameters.push_back(parameter);
  }
  while (startsDeclaration()) {
    Specifiers specifiers = declarationSpecifiers(true);
    for (;;) {
      Declarator declarator = this->declarator(specifiers, false, true);
      TypeRef type = declarator.type;
      if (type->kind == TypeKind::array)
        type = types_.pointerTo(type->target, SizeWord::near, type->qualifiers);
      else if (type->kind == TypeKind::function)
        type = types_.pointerTo(type);
      Symbol* match = nullptr;
      for (Symbol* parameter : parameters)
        if (parameter->name == declarator.name) match = parameter;
      if (!match)
        diagnostics_.report(Message::unusedInParameterList, {declarator.name});
      else
        match->type = type;
      if (!accept(Tok::comma)) break;
    }
    expect(Tok::semicolon);
  }
}

// #pragma io name number: an unsigned char at a fixed io address, defined here.
void Parser::declareIoVariable(std::string_view name, std::uint32_t address) {
  Symbol* symbol = nodes_.symbol();
  symbol->name = name;
  symbol->id = tokens_.identifiers().intern(name);
  symbol->kind = SymbolKind::object;
  symbol->linkage = Linkage::external;
  symbol->type = types_.basic(TypeKind::unsignedChar);
  symbol->isIo = true;
  symbol->defined = true;
  symbol->ioAddress = static_cast<std::int32_t>(address);
  scopes_.declare(symbol);
  TopLevel item;
  item.symbol = symbol;
  item.isDefinition = true;
  emit(item);
}

void Parser::finishFunction(Symbol* function) {
  for (auto& [name, label] : scopes_.labels()) {
    if (label.used && !label.defined)
      diagnostics_.report(Message::undefinedName, {name});
    else if (label.defined && !label.used)
      diagnostics_.warnAt(1, Message::unusedLabel, {name});
  }
  (void)function;
}

}  // namespace kz::cfront
