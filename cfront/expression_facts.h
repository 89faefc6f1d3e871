#pragma once
// Small questions the expression checks ask about nodes and operators.
#include <string_view>

#include "cfront/syntax_tree.h"

namespace kz::cfront {

// The spelling of a binary operator, for messages.
std::string_view operatorText(BinaryOp op);
// The spelling of an assignment by op: "=" for none, else the operator with '=' after it.
std::string_view assignmentText(BinaryOp op);
bool isComparison(BinaryOp op);
bool isRelational(BinaryOp op);
bool isEquality(BinaryOp op);
// A comparison or logical operation: a value that is 0 or 1.
bool isTruthValue(const Expr* expression);

bool isIntegerConstant(const Expr* expression);
bool isArithmeticConstant(const Expr* expression);
// An integer constant 0, or one cast to void *.
bool isNullPointerConstant(const Expr* expression);
// The address of a string literal (after decay or &).
bool isStringAddress(const Expr* expression);
// The name of the function a call expression calls directly, else "".
std::string_view calleeName(const Expr* function);
// The object or function a call or & names directly, through decay and parentheses.
const Symbol* namedSymbol(const Expr* expression);
// A function call, assignment, increment or volatile access somewhere in the tree.
bool hasSideEffect(const Expr* expression);
// The number of pointer levels of a type (int ** is 2).
int pointerLevels(TypeRef type);

}  // namespace kz::cfront
