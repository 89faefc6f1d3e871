// Initialisers: reading them, matching them to the object's type with brace elision, sizing
// arrays of unknown size, and the checks on static initialisers.
#include <string>

#include "cfront/initializer_shapes.h"
#include "cfront/parser.h"

namespace kz::cfront {
namespace {

bool isLoadTimeConstant(const Expr* expr);

bool hasStaticStorage(const Symbol* symbol) {
  if (!symbol) return false;
  return symbol->kind == SymbolKind::function || symbol->scopeDepth == 0 ||
         symbol->storage == StorageClass::staticClass ||
         symbol->storage == StorageClass::externClass;
}

// An lvalue whose address is known at load time.
bool isStaticLvalue(const Expr* expr) {
  if (!expr) return true;
  switch (expr->kind) {
    case ExprKind::name:
      return hasStaticStorage(expr->symbol);
    case ExprKind::stringLiteral:
      return true;
    case ExprKind::member:
      return isStaticLvalue(expr->left);
    case ExprKind::subscript:
      return (isStaticLvalue(expr->left) || isLoadTimeConstant(expr->left)) &&
             isLoadTimeConstant(expr->right);
    case ExprKind::pointerMember:
    case ExprKind::indirection:
      return isLoadTimeConstant(expr->left);
    case ExprKind::implicitConversion:
    case ExprKind::cast:
      return isStaticLvalue(expr->left);
    default:
      return false;
  }
}

// What a static initialiser may hold: constants and addresses of static objects and
// functions, with constant offsets.
bool isLoadTimeConstant(const Expr* expr) {
  if (!expr || expr->isConstant) return true;
  switch (expr->kind) {
    case ExprKind::integerConstant:
    case ExprKind::floatingConstant:
    case ExprKind::stringLiteral:
    case ExprKind::sizeofValue:
      return true;
    case ExprKind::name:
      // An undeclared name has had its message.
      if (!expr->symbol || expr->symbol->kind == SymbolKind::enumConstant) return true;
      return expr->type &&
             (expr->type->kind == TypeKind::array || expr->type->kind == TypeKind::function) &&
             hasStaticStorage(expr->symbol);
    case ExprKind::addressOf:
      return isStaticLvalue(expr->left);
    case ExprKind::member:
    case ExprKind::subscript:
    case ExprKind::pointerMember:
    case ExprKind::indirection:
      return expr->type && expr->type->kind == TypeKind::array && isStaticLvalue(expr);
    case ExprKind::cast:
    case ExprKind::implicitConversion:
    case ExprKind::unaryPlus:
    case ExprKind::negate:
    case ExprKind::bitNot:
    case ExprKind::logicalNot:
      return isLoadTimeConstant(expr->left);
    case ExprKind::binary:
    case ExprKind::comma:
      return isLoadTimeConstant(expr->left) && isLoadTimeConstant(expr->right);
    case ExprKind::conditional:
      return isLoadTimeConstant(expr->left) && isLoadTimeConstant(expr->right) &&
             isLoadTimeConstant(expr->third);
    default:
      return false;
  }
}

}  // namespace

Initializer* Parser::initializer() {
  Initializer* init = nodes_.initializer();
  init->spot = peek().spot;
  if (!accept(Tok::lbrace)) {
    init->expression = assignment();
    return init;
  }
  enterNesting();
  init->braced = true;
  StackTop<Initializer> elements(initializerStack_);
  while (peek().kind != Tok::rbrace) {
    Initializer* element = initializer();
    initializerStack_.push_back(element);
    if (!accept(Tok::comma)) break;
  }
  expect(Tok::rbrace);
  leaveNesting();
  init->elements.assign(elements.items().begin(), elements.items().end());
  return init;
}

void Parser::checkInitializer(Symbol* symbol, Initializer* init) {
  std::string name(symbol->name);
  if (symbol->kind != SymbolKind::object) {
    diagnostics_.report(Message::illegalInitialization);
    return;
  }
  if (scopes_.depth() > 0 && symbol->storage == StorageClass::externClass) {
    diagnostics_.report(Message::externInitInBlock, {name});
    return;
  }
  if (symbol->initialised) {
    diagnostics_.report(Message::redeclaration, {name});
    return;
  }
  symbol->initialised = true;
  symbol->defined = true;
  bool staticStorage = scopes_.depth() == 0 || symbol->storage == StorageClass::staticClass;
  symbol->type = initializeObject(symbol->type, init, staticStorage);
}

// Returns the type with an unknown array size settled by the initialiser.
TypeRef Parser::initializeObject(TypeRef type, Initializer* init, bool staticStorage) {
  if (const Expr* string = wholeArrayString(type, init)) {
    std::uint32_t length = static_cast<std::uint32_t>(string->text().size());
    if (string->wide()) length /= 2;
    if (!type->countKnown) return types_.arrayOf(type->target, length + 1, true);
    if (length > type->count) diagnostics_.report(Message::tooManyInitializers);
    return type;
  }
  if (isAggregate(type)) {
    if (!init->braced) {
      if (type->isRecord() && !staticStorage) {
        init->expression = expressions_.convertForAssignment(init->expression, type, init->spot);
        return type;
      }
      diagnostics_.report(Message::initializationNeedsBraces, {kz::cfront::typeName(type)});
      return type;
    }
    std::size_t at = 0;
    std::uint32_t count = 0;
    if (type->kind == TypeKind::array && !type->countKnown) {
      TypeRef element = type->target;
      TypeRef one = types_.arrayOf(element, 1, true);
      while (at < init->elements.size()) {
        std::size_t before = at;
        initializeAggregate(one, init->elements, at, staticStorage, false);
        ++count;
        if (at == before) {  // an element that takes nothing, such as an empty struct
          diagnostics_.report(Message::tooManyInitializers);
          break;
        }
      }
      return types_.arrayOf(element, count, true);
    }
    initializeAggregate(type, init->elements, at, staticStorage, true);
    if (at < init->elements.size()) diagnostics_.report(Message::tooManyInitializers);
    return type;
  }
  if (init->braced) {
    if (init->elements.empty()) {
      diagnostics_.report(Message::illegalInitialization);
      return type;
    }
    if (init->elements.size() > 1) diagnostics_.report(Message::tooManyInitializers);
    initializeObject(type, init->elements[0], staticStorage);
    return type;
  }
  initializeScalar(type, init, staticStorage);
  return type;
}

// Fills the members or elements of an aggregate from elements[at...]; without braces of its
// own it takes only as many as it needs.
void Parser::initializeAggregate(TypeRef type, const std::vector<Initializer*>& elements,
                                 std::size_t& at, bool staticStorage, bool braced) {
  auto fill = [&](TypeRef part) {
    Initializer* element = elements[at];
    if (isAggregate(part) && !element->braced && !wholeArrayString(part, element)) {
      bool recordValue =
          part->isRecord() && element->expression && element->expression->type &&
          compatible(types_.unqualified(element->expression->type), types_.unqualified(part));
      if (!recordValue) {
        initializeAggregate(part, elements, at, staticStorage, false);
        return;
      }
    }
    initializeObject(part, element, staticStorage);
    ++at;
  };
  if (type->kind == TypeKind::array) {
    for (std::uint32_t i = 0; i < type->count && at < elements.size(); ++i) {
      std::size_t before = at;
      fill(type->target);
      if (at == before) break;  // the element type takes no initialiser at all
    }
  } else if (type->record) {
    for (const Member& member : type->record->members) {
      if (at >= elements.size()) break;
      if (member.isBitField && member.name.empty()) continue;
      std::size_t before = at;
      fill(member.type);
      if (at == before) break;
      if (type->kind == TypeKind::unionType) break;
    }
  }
  (void)braced;
}

void Parser::initializeScalar(TypeRef type, Initializer* init, bool staticStorage) {
  if (!init->expression) return;
  if (staticStorage && !isLoadTimeConstant(init->expression))
    diagnostics_.report(Message::nonConstantInitializer);
  init->expression = expressions_.convertForAssignment(init->expression, type, init->spot);
}

}  // namespace kz::cfront
