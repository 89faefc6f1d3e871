#pragma once
// Builds checked expression trees for the parser: every make...() types its node, inserts the
// implicit conversions (aconv nodes), folds constant operands and reports what the checks find.
// A node whose operands are in error gets a usable type where one can be guessed, so one
// mistake gives one message.
//
// Where a message could stand for several conditions, this one is chosen:
//   300  a void operand of an operator, an assignment or a condition; 555 one void arm of ?:
//   295  an assignment to a non-lvalue; 301 ++ or -- on one; 352 to an array or function
//   403  a flag variable as the target of a compound assignment, ++ or -- (= is allowed)
//   550  a non-null integer where a pointer is wanted (=, ==, ?:) or the reverse
//   653  pointers of different sizes compared or subtracted; in = only a narrowing one
//   579  an argument that converts between integer and pointer; 583 an argument pointer to an
//        incompatible type, with qualifiers lost or of a larger size; 281 one that cannot
//        convert at all (void, struct from scalar, floating from pointer)
//   558  a chain of <, >, <=, >= (chains of == stay quiet: parentheses are not seen here)
//   552  an expression statement with no call, assignment, increment or volatile, io or
//        register access, unless cast to void
//   553  return without a value in a function with a value (382 is not given here)
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "cfront/diagnostics.h"
#include "cfront/spelling_store.h"
#include "cfront/syntax_tree.h"
#include "cfront/types.h"

namespace kz::cfront {

class ExpressionBuilder {
 public:
  ExpressionBuilder(TypeTable& types, NodeArena& nodes, Diagnostics& diagnostics,
                    const RunOptions& options);

  // Leaves.
  Expr* integerConstant(long long value, TypeRef type, SourceSpot spot);
  Expr* floatingConstant(double value, TypeRef type, SourceSpot spot);
  // bytes: the literal's characters after escapes, without the terminating zero.
  Expr* stringLiteral(std::string_view bytes, bool wide, SourceSpot spot);
  // symbol: nullptr for an undeclared name (256, or an implicit int function when called:
  // the parser passes calledName = true for a name directly followed by '(').
  Expr* name(Symbol* symbol, std::string_view spelling, bool calledName, SourceSpot spot);

  // Postfix.
  Expr* call(Expr* function, std::span<Expr* const> arguments, SourceSpot spot);
  Expr* member(Expr* object, std::string_view memberName, bool arrow, SourceSpot spot);
  Expr* subscript(Expr* array, Expr* index, SourceSpot spot);
  Expr* increment(Expr* operand, bool increase, bool prefix, SourceSpot spot);

  // Unary: kind is one of addressOf, indirection, unaryPlus, negate, bitNot, logicalNot.
  Expr* unary(ExprKind kind, Expr* operand, SourceSpot spot);
  Expr* sizeofExpression(Expr* operand, SourceSpot spot);
  Expr* sizeofType(TypeRef type, SourceSpot spot);
  Expr* cast(TypeRef type, Expr* operand, SourceSpot spot);

  Expr* binary(BinaryOp op, Expr* left, Expr* right, SourceSpot spot);
  // op none: plain assignment.
  Expr* assign(BinaryOp op, Expr* target, Expr* value, SourceSpot spot);
  Expr* conditional(Expr* condition, Expr* whenTrue, Expr* whenFalse, SourceSpot spot);
  Expr* comma(Expr* left, Expr* right, SourceSpot spot);

  // Conversion as by assignment to a value of type `to` (initialisers, arguments, return):
  // reports incompatibility and inserts an aconv node.
  Expr* convertForAssignment(Expr* value, TypeRef to, SourceSpot spot);

  // Statement-level checks.
  // A controlling expression of if/while/do/for/?: (540 assignment, 543 constant).
  void checkCondition(Expr* condition);
  // An expression statement (552 no effect).
  void checkExpressionStatement(Expr* expression);
  // The value of a switch (298) after the integer promotions.
  Expr* switchValue(Expr* value, SourceSpot spot);
  // A case label converted to the switch type (541 out of range).
  long long caseValue(Expr* label, TypeRef switchType, SourceSpot spot);
  // return with or without a value in a function returning `returnType` (561, 553).
  Expr* returnValue(Expr* value, TypeRef returnType, SourceSpot spot);

  // The value of an integer constant expression (array sizes, bit widths, enumerators, case
  // labels); nullopt after reporting one that is not constant.
  std::optional<long long> integerConstantValue(Expr* expression);

  // The function whose body is being read, named by 553.
  void setCurrentFunction(std::string_view name) { currentFunction_ = name; }

 private:
  Expr* node(ExprKind kind, TypeRef type, SourceSpot spot);
  Expr* constantNode(long long value, TypeRef type, SourceSpot spot);
  Expr* floatingNode(double value, TypeRef type, SourceSpot spot);
  // Array-to-pointer and function-to-pointer conversion of a value. Most values are neither.
  Expr* decay(Expr* expression) {
    if (!expression || !expression->type) return expression;
    TypeKind kind = expression->type->kind;
    return kind == TypeKind::array || kind == TypeKind::function ? decayed(expression) : expression;
  }
  Expr* decayed(Expr* expression);
  // Implicit conversion of an arithmetic value to `to`: constants converted at once, other
  // values under an aconv node with the conversion warnings. A value of that very type is
  // left as it is without a call.
  Expr* convert(Expr* expression, TypeRef to) {
    return expression && expression->type == to ? expression : convertOther(expression, to);
  }
  Expr* convertOther(Expr* expression, TypeRef to);
  Expr* convertConstant(Expr* expression, TypeRef to);
  void warnConversion(const Expr* expression, TypeRef to);
  // 510 for a floating value outside the range of its type.
  double checkFloatingRange(double value, TypeRef type);
  // Pointer conversions and comparisons: 545, 548-550, 653, 375, 572, 587; false on a mismatch.
  bool checkPointerPair(TypeRef to, TypeRef from, std::string_view operation, bool assignment);
  bool checkFunctionPointers(TypeRef to, TypeRef from);
  // 295/301, 352, 296, 403 for the target of an assignment or an increment.
  bool checkModifiable(const Expr* target, std::string_view operation, bool increment);
  bool checkVoidAndRecord(const Expr* operand, std::string_view operation);
  Expr* arithmeticBinary(BinaryOp op, Expr* left, Expr* right, bool integral, SourceSpot spot);
  Expr* binaryNode(BinaryOp op, Expr* left, Expr* right, SourceSpot spot);
  Expr* additive(BinaryOp op, Expr* left, Expr* right, SourceSpot spot);
  Expr* comparison(BinaryOp op, Expr* left, Expr* right, SourceSpot spot);
  Expr* logical(BinaryOp op, Expr* left, Expr* right, SourceSpot spot);
  Expr* foldBinary(Expr* result);
  Expr* foldUnary(Expr* result);
  Expr* castConstant(Expr* operand, TypeRef to, SourceSpot spot);
  void convertArguments(Expr* call, const FunctionInfo* info, std::string_view name,
                        std::span<Expr* const> arguments);
  Expr* convertArgument(Expr* argument, TypeRef to, int position, std::string_view name);
  TypeRef sizeofOperandType(TypeRef type, bool bitField);
  std::string_view keep(std::string_view text);

  TypeTable& types_;
  NodeArena& nodes_;
  Diagnostics& diagnostics_;
  const RunOptions& options_;
  SpellingStore strings_;  // names and bytes the nodes refer to, for the whole unit
  std::string_view currentFunction_;
};

// The value of a constant converted to an integer type, as the checks convert constants:
// 516 when outside the 32-bit range of the type's class, then the narrowest type from `to`
// on that holds the value.
struct ConvertedConstant {
  long long value = 0;
  TypeRef type = nullptr;
  bool overflowed = false;  // 516 is due
};
ConvertedConstant convertIntegerConstant(const TypeTable& types, long long value, TypeRef to);

}  // namespace kz::cfront
