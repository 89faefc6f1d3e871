// The leaves, postfix and unary forms of expressions, casts and sizeof.
#include "cfront/expression_builder.h"

#include "cfront/expression_facts.h"

namespace kz::cfront {

ExpressionBuilder::ExpressionBuilder(TypeTable& types, NodeArena& nodes, Diagnostics& diagnostics,
                                     const RunOptions& options)
    : types_(types), nodes_(nodes), diagnostics_(diagnostics), options_(options) {}

Expr* ExpressionBuilder::node(ExprKind kind, TypeRef type, SourceSpot spot) {
  Expr* result = nodes_.expr();
  result->kind = kind;
  result->type = type;
  result->spot = spot;
  return result;
}

Expr* ExpressionBuilder::constantNode(long long value, TypeRef type, SourceSpot spot) {
  Expr* result = node(ExprKind::integerConstant, type, spot);
  result->integer = value;
  result->isConstant = true;
  return result;
}

Expr* ExpressionBuilder::floatingNode(double value, TypeRef type, SourceSpot spot) {
  Expr* result = node(ExprKind::floatingConstant, type, spot);
  result->floating = value;
  result->isConstant = true;
  return result;
}

std::string_view ExpressionBuilder::keep(std::string_view text) { return strings_.keep(text); }

Expr* ExpressionBuilder::integerConstant(long long value, TypeRef type, SourceSpot spot) {
  return constantNode(value, type, spot);
}

Expr* ExpressionBuilder::floatingConstant(double value, TypeRef type, SourceSpot spot) {
  return floatingNode(checkFloatingRange(value, type), type, spot);
}

Expr* ExpressionBuilder::stringLiteral(std::string_view bytes, bool wide, SourceSpot spot) {
  TypeRef element = wide ? types_.basic(TypeKind::intType) : types_.plainChar();
  // A wide literal holds two bytes per character.
  auto count = static_cast<std::uint32_t>((wide ? bytes.size() / 2 : bytes.size()) + 1);
  Expr* result = node(ExprKind::stringLiteral, types_.arrayOf(element, count, true), spot);
  LiteralText* literal = nodes_.literal();
  literal->bytes = keep(bytes);
  literal->wide = wide;
  result->literal = literal;
  result->isLvalue = true;
  return result;
}

Expr* ExpressionBuilder::name(Symbol* symbol, std::string_view spelling, bool calledName,
                              SourceSpot spot) {
  if (!symbol && calledName) {
    // An undeclared function: int f() with external linkage.
    symbol = nodes_.symbol();
    symbol->name = keep(spelling);
    symbol->kind = SymbolKind::function;
    symbol->storage = StorageClass::externClass;
    symbol->linkage = Linkage::external;
    FunctionInfo info;
    info.returnType = types_.basic(TypeKind::intType);
    symbol->type = types_.functionReturning(std::move(info));
    symbol->spot = spot;
  }
  if (!symbol) {
    diagnostics_.report(Message::undefinedName, {spelling});
    Expr* result = node(ExprKind::name, types_.basic(TypeKind::intType), spot);
    result->isLvalue = true;
    return result;
  }
  symbol->used = true;
  if (symbol->kind == SymbolKind::enumConstant) {
    ConvertedConstant value =
        convertIntegerConstant(types_, symbol->enumValue, types_.basic(TypeKind::intType));
    return constantNode(value.value, value.type, spot);
  }
  if (symbol->kind == SymbolKind::typedefName) {
    diagnostics_.report(Message::illegalOperand, {spelling});
    return constantNode(0, types_.basic(TypeKind::intType), spot);
  }
  Expr* result = node(ExprKind::name, symbol->type, spot);
  result->symbol = symbol;
  result->isLvalue = symbol->kind != SymbolKind::function;
  return result;
}

Expr* ExpressionBuilder::convertArgument(Expr* argument, TypeRef to, int position,
                                         std::string_view name) {
  argument = decay(argument);
  if (!argument || !argument->type || !to) return argument;
  to = types_.unqualified(to);
  TypeRef from = argument->type;
  if (from->isVoid() || (from->isRecord() != to->isRecord()) ||
      (from->isFloating() && to->kind == TypeKind::pointer) ||
      (to->isFloating() && from->kind == TypeKind::pointer)) {
    diagnostics_.report(Message::illegalActualParameter, {position, name});
    return argument;
  }
  if (from->isRecord() && !compatible(to, types_.unqualified(from))) {
    diagnostics_.report(Message::parameterTypeMismatch, {position, name});
    return argument;
  }
  if (to->isArithmetic() && from->isArithmetic()) return convert(argument, to);
  if (to->kind == TypeKind::pointer && from->kind == TypeKind::pointer) {
    TypeRef a = to->target;
    TypeRef b = from->target;
    bool fine =
        a->isVoid() || b->isVoid() || compatible(types_.unqualified(a), types_.unqualified(b));
    bool narrowed = sizeOf(to) < sizeOf(from);
    if (!fine || (b->qualifiers & ~a->qualifiers) != 0 || narrowed)
      diagnostics_.report(Message::parameterTypeMismatch, {position, name});
  } else if (to->kind == TypeKind::pointer || from->kind == TypeKind::pointer) {
    if (!isNullPointerConstant(argument)) diagnostics_.report(Message::callConversion, {name});
  }
  if (from == to) return argument;
  Expr* result = node(ExprKind::implicitConversion, to, argument->spot);
  result->left = argument;
  return result;
}

void ExpressionBuilder::convertArguments(Expr* call, const FunctionInfo* info,
                                         std::string_view name, std::span<Expr* const> arguments) {
  bool prototype = info && info->hasPrototype;
  if (!prototype) diagnostics_.warnAt(2, Message::noPrototype, {name});
  std::size_t parameters = prototype ? info->parameters.size() : 0;
  if (prototype && info->voidList && !arguments.empty()) {
    diagnostics_.report(Message::callDeclaredVoid, {name});
  } else if (prototype && arguments.size() < parameters) {
    diagnostics_.report(Message::tooFewArguments, {name});
  } else if (prototype && arguments.size() > parameters && !info->variadic) {
    diagnostics_.report(Message::tooManyArguments, {name});
  }
  call->argumentList = nodes_.exprList(arguments.size());
  call->argumentCount = static_cast<std::uint32_t>(arguments.size());
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    Expr* argument = arguments[i];
    if (i < parameters) {
      call->argumentList[i] =
          convertArgument(argument, info->parameters[i].type, static_cast<int>(i + 1), name);
      continue;
    }
    argument = decay(argument);
    if (argument && argument->type && argument->type->isVoid())
      diagnostics_.report(Message::illegalActualParameter, {static_cast<int>(i + 1), name});
    else if (argument && argument->type && argument->type->isArithmetic())
      argument = convert(argument, argumentPromoted(types_, argument->type));
    call->argumentList[i] = argument;
  }
}

Expr* ExpressionBuilder::call(Expr* function, std::span<Expr* const> arguments, SourceSpot spot) {
  Expr* callee = decay(function);
  TypeRef type = callee ? callee->type : nullptr;
  const FunctionInfo* info = nullptr;
  TypeRef result = types_.basic(TypeKind::intType);
  if (type && type->kind == TypeKind::pointer && type->target->kind == TypeKind::function) {
    info = type->target->function;
    if (type->target->target) result = types_.unqualified(type->target->target);
  } else if (type) {
    diagnostics_.report(Message::illegalFunction);
  }
  Expr* expression = node(ExprKind::call, result, spot);
  expression->left = callee;
  std::string_view name = calleeName(callee);
  const Symbol* symbol = namedSymbol(callee);
  if (info && symbol && symbol->kind == SymbolKind::function) {
    CallConvention convention = info->convention;
    if (convention == CallConvention::interrupt || convention == CallConvention::interruptN ||
        convention == CallConvention::regbank || convention == CallConvention::regbankN)
      diagnostics_.report(Message::illegalInterruptCall);
  }
  if (!info) {  // not a function, or an error already reported
    expression->argumentList = nodes_.exprList(arguments.size());
    expression->argumentCount = static_cast<std::uint32_t>(arguments.size());
    std::copy(arguments.begin(), arguments.end(), expression->argumentList);
    return expression;
  }
  convertArguments(expression, info, name, arguments);
  return expression;
}

Expr* ExpressionBuilder::member(Expr* object, std::string_view memberName, bool arrow,
                                SourceSpot spot) {
  Expr* result = node(arrow ? ExprKind::pointerMember : ExprKind::member,
                      types_.basic(TypeKind::intType), spot);
  result->isLvalue = true;
  if (!object || !object->type) return result;
  TypeRef type = object->type;
  bool isPointer = type->kind == TypeKind::pointer || type->kind == TypeKind::array;
  TypeRef recordType = isPointer ? type->target : type;
  if (!recordType->isRecord()) {
    diagnostics_.report(arrow ? Message::illegalPointerMemberName : Message::illegalMemberName,
                        {memberName});
    return result;
  }
  if (arrow && !isPointer) diagnostics_.report(Message::useDot);
  if (!arrow && isPointer) diagnostics_.report(Message::useArrow);
  bool throughPointer = isPointer;
  result->kind = throughPointer ? ExprKind::pointerMember : ExprKind::member;
  result->left = throughPointer ? decay(object) : object;
  const Record* record = recordType->record;
  if (!record || !record->complete) {
    diagnostics_.report(Message::undefinedStructLeftOf,
                        {record ? record->tag : std::string_view(), memberName});
    return result;
  }
  const Member* found = record->find(memberName);
  if (!found) {
    diagnostics_.report(Message::notMember, {memberName});
    return result;
  }
  result->memberInfo = found;
  result->type = types_.qualified(found->type, recordType->qualifiers);
  result->isLvalue = throughPointer || object->isLvalue;
  return result;
}

Expr* ExpressionBuilder::subscript(Expr* array, Expr* index, SourceSpot spot) {
  Expr* result = node(ExprKind::subscript, types_.basic(TypeKind::intType), spot);
  result->isLvalue = true;
  if (!array || !index || !array->type || !index->type) return result;
  if (index->kind == ExprKind::comma) diagnostics_.warnAt(3, Message::commaInIndex);
  TypeRef declared = array->type;
  Expr* base = decay(array);
  Expr* offset = decay(index);
  if (base->type->kind != TypeKind::pointer && offset->type->kind == TypeKind::pointer) {
    std::swap(base, offset);
    declared = index->type;
  }
  if (base->type->kind != TypeKind::pointer || base->type->target->isVoid() ||
      base->type->target->kind == TypeKind::function) {
    diagnostics_.report(Message::illegalSubscript);
    return result;
  }
  if (!offset->type->isInteger()) {
    diagnostics_.report(Message::nonIntegralIndex);
    return result;
  }
  if (isIntegerConstant(offset) && declared->kind == TypeKind::array && declared->countKnown &&
      (offset->integer < 0 || offset->integer >= declared->count))
    diagnostics_.warnAt(3, Message::arrayOutOfRange);
  result->left = base;
  result->right = convert(offset, promoted(types_, offset->type));
  result->type = base->type->target;
  return result;
}

bool ExpressionBuilder::checkModifiable(const Expr* target, std::string_view operation,
                                        bool increment) {
  if (!target || !target->type) return false;
  if (!target->isLvalue) {
    if (increment)
      diagnostics_.report(Message::needsLvalue, {operation});
    else
      diagnostics_.report(Message::lvalueRequired, {operation});
    return false;
  }
  TypeRef type = target->type;
  if (type->kind == TypeKind::array || type->kind == TypeKind::function ||
      target->kind == ExprKind::stringLiteral) {
    diagnostics_.report(Message::illegalLvalue);
    return false;
  }
  bool constMember = false;
  if (type->isRecord() && type->record)
    for (const Member& member : type->record->members)
      constMember |= member.type && member.type->isConst();
  if (type->isConst() || constMember) {
    diagnostics_.report(Message::constLvalue);
    return false;
  }
  const Symbol* symbol = target->kind == ExprKind::name ? target->symbol : nullptr;
  if (symbol && symbol->kind == SymbolKind::flagVariable && (increment || operation != "=")) {
    diagnostics_.report(Message::flagRegisterAssignment, {symbol->name});
    return false;
  }
  return true;
}

bool ExpressionBuilder::checkVoidAndRecord(const Expr* operand, std::string_view operation) {
  if (!operand || !operand->type) return false;
  if (operand->type->isVoid()) {
    diagnostics_.report(Message::voidInExpression);
    return false;
  }
  if (operand->type->isRecord()) {
    diagnostics_.report(Message::illegalStructOperator, {operation});
    return false;
  }
  return true;
}

Expr* ExpressionBuilder::increment(Expr* operand, bool increase, bool prefix, SourceSpot spot) {
  ExprKind kind = prefix ? (increase ? ExprKind::preIncrement : ExprKind::preDecrement)
                         : (increase ? ExprKind::postIncrement : ExprKind::postDecrement);
  std::string_view text = increase ? "++" : "--";
  Expr* result = node(kind, types_.basic(TypeKind::intType), spot);
  result->left = operand;
  if (!checkVoidAndRecord(operand, text)) return result;
  result->type = types_.unqualified(operand->type);
  bool scalar = operand->type->isArithmetic() ||
                (operand->type->kind == TypeKind::pointer && isComplete(operand->type->target));
  if (!scalar) {
    diagnostics_.report(Message::illegalOperand, {text});
    return result;
  }
  checkModifiable(operand, text, true);
  return result;
}

Expr* ExpressionBuilder::unary(ExprKind kind, Expr* operand, SourceSpot spot) {
  Expr* result = node(kind, types_.basic(TypeKind::intType), spot);
  result->left = operand;
  if (!operand || !operand->type || kind < ExprKind::addressOf || kind > ExprKind::logicalNot)
    return result;
  constexpr std::string_view kTexts[] = {"&", "*", "+", "-", "~", "!"};
  std::string_view text = kTexts[static_cast<int>(kind) - static_cast<int>(ExprKind::addressOf)];
  if (kind == ExprKind::addressOf) {
    const Symbol* symbol = operand->kind == ExprKind::name ? operand->symbol : nullptr;
    bool registerObject = symbol && (symbol->storage == StorageClass::registerClass ||
                                     symbol->kind == SymbolKind::registerVariable ||
                                     symbol->kind == SymbolKind::flagVariable);
    bool bitField = operand->member() && operand->member()->isBitField;
    if (registerObject || bitField) {
      diagnostics_.report(Message::unacceptableAddressOperand);
    } else if (!operand->isLvalue && operand->type->kind != TypeKind::function) {
      diagnostics_.report(Message::nonAddressExpression);
    }
    bool farObject =
        symbol && (symbol->memory == SizeWord::far || symbol->memory == SizeWord::compact);
    result->type = types_.pointerTo(operand->type, farObject ? SizeWord::compact : SizeWord::near);
    return result;
  }
  Expr* value = decay(operand);
  result->left = value;
  if (kind == ExprKind::indirection) {
    if (value->type->kind != TypeKind::pointer) {
      diagnostics_.report(Message::illegalIndirection);
      result->isLvalue = true;
      return result;
    }
    result->type = value->type->target;
    result->isLvalue = !result->type->isVoid() && result->type->kind != TypeKind::function;
    return result;
  }
  if (kind == ExprKind::logicalNot) {
    if (isStringAddress(value)) diagnostics_.report(Message::logicalOnStringAddress, {text});
    if (!checkVoidAndRecord(value, text)) return result;
    return foldUnary(result);
  }
  if (!checkVoidAndRecord(value, text)) return result;
  if (kind == ExprKind::bitNot && !value->type->isInteger()) {
    if (value->type->isFloating())
      diagnostics_.report(Message::integralTypesOnly, {text});
    else
      diagnostics_.report(Message::illegalOperand, {text});
    return result;
  }
  if (!value->type->isArithmetic()) {
    diagnostics_.report(Message::illegalOperand, {text});
    return result;
  }
  result->type = promoted(types_, value->type);
  result->left = convert(value, result->type);
  return foldUnary(result);
}

TypeRef ExpressionBuilder::sizeofOperandType(TypeRef type, bool bitField) {
  if (!type || bitField || type->isVoid() || type->kind == TypeKind::function) {
    diagnostics_.report(Message::illegalSizeof);
    return nullptr;
  }
  if (sizeOf(type) == 0) diagnostics_.report(Message::sizeofReturnsZero);
  return type;
}

Expr* ExpressionBuilder::sizeofExpression(Expr* operand, SourceSpot spot) {
  bool bitField = operand && operand->member() && operand->member()->isBitField;
  bool usable = operand && operand->type;  // else an error has been reported for it
  TypeRef type = usable ? sizeofOperandType(operand->type, bitField) : nullptr;
  Expr* result = sizeofType(nullptr, spot);
  if (type) {
    ConvertedConstant size =
        convertIntegerConstant(types_, sizeOf(type), types_.basic(TypeKind::unsignedInt));
    result->integer = size.value;
    result->type = size.type;
  }
  result->left = operand;
  return result;
}

Expr* ExpressionBuilder::sizeofType(TypeRef type, SourceSpot spot) {
  Expr* result = node(ExprKind::sizeofValue, types_.basic(TypeKind::unsignedInt), spot);
  result->isConstant = true;
  if (type && sizeofOperandType(type, false)) {
    ConvertedConstant size =
        convertIntegerConstant(types_, sizeOf(type), types_.basic(TypeKind::unsignedInt));
    result->integer = size.value;
    result->type = size.type;
  }
  return result;
}

Expr* ExpressionBuilder::cast(TypeRef type, Expr* operand, SourceSpot spot) {
  TypeRef to = types_.unqualified(type);
  Expr* result = node(ExprKind::cast, to, spot);
  Expr* value = decay(operand);
  result->left = value;
  if (!to || !value || !value->type) return result;
  TypeRef from = value->type;
  if (to->isVoid()) return result;
  if (to->kind == TypeKind::array) {
    diagnostics_.report(Message::castToArray);
    return result;
  }
  if (to->kind == TypeKind::function) {
    diagnostics_.report(Message::castToFunction);
    return result;
  }
  if (from->isVoid()) {
    diagnostics_.report(Message::voidToNonVoid);
    return result;
  }
  bool pointerAndFloating = (to->kind == TypeKind::pointer && from->isFloating()) ||
                            (from->kind == TypeKind::pointer && to->isFloating());
  bool scalars = to->isScalar() && from->isScalar();
  bool sameRecord = to->isRecord() && compatible(to, types_.unqualified(from));
  if (pointerAndFloating || (!scalars && !sameRecord)) {
    diagnostics_.report(Message::illegalCast);
    return result;
  }
  if (to->isArithmetic() && isArithmeticConstant(value)) return castConstant(value, to, spot);
  if (to->kind == TypeKind::pointer && value->isConstant) {  // an address constant
    result->isConstant = true;
    result->integer = value->integer;
  }
  return result;
}

}  // namespace kz::cfront
