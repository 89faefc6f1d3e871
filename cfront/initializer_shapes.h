#pragma once
// Questions about initialisers that the parser's matching and the data writer both ask.
#include "cfront/syntax_tree.h"
#include "cfront/types.h"

namespace kz::cfront {

inline bool isCharacterArray(TypeRef type) {
  return type && type->kind == TypeKind::array && type->target &&
         (type->target->kind == TypeKind::signedChar ||
          type->target->kind == TypeKind::unsignedChar);
}

// An array that a wide string literal may initialise: of int or unsigned int.
inline bool holdsWideCharacters(TypeRef type) {
  return type && type->kind == TypeKind::array && type->target &&
         (type->target->kind == TypeKind::intType || type->target->kind == TypeKind::unsignedInt);
}

inline bool isAggregate(TypeRef type) { return type->kind == TypeKind::array || type->isRecord(); }

// The string literal an initialiser is, perhaps in braces of its own; nullptr otherwise.
inline const Expr* stringOf(const Initializer* init) {
  if (init->braced && init->elements.size() == 1) init = init->elements[0];
  if (init->braced || !init->expression) return nullptr;
  return init->expression->kind == ExprKind::stringLiteral ? init->expression : nullptr;
}

// The string literal that initialises a character or wide-character array as a whole;
// nullptr when the array takes no string or the initialiser is none.
inline const Expr* wholeArrayString(TypeRef type, const Initializer* init) {
  return isCharacterArray(type) || holdsWideCharacters(type) ? stringOf(init) : nullptr;
}

}  // namespace kz::cfront
