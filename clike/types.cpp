#include "clike/types.h"

namespace kz::clike {

std::uint32_t sizeOf(const Type& type) {
  std::uint32_t size = 0;
  switch (type.base) {
    case BaseType::charType:
    case BaseType::ucharType:
      size = 1;
      break;
    case BaseType::shortType:
    case BaseType::ushortType:
    case BaseType::entryType:
      size = 2;
      break;
    case BaseType::longType:
    case BaseType::ulongType:
      size = 4;
      break;
    case BaseType::structType:
    case BaseType::unionType:
      size = type.aggregate ? type.aggregate->size : 0;
      break;
    default:
      break;
  }
  // Innermost derivation first: the last one is applied to the base type.
  for (auto at = type.derivations.rbegin(); at != type.derivations.rend(); ++at) {
    switch (at->kind) {
      case DerivationKind::pointer:
        size = pointerSize(at->attribute);
        break;
      case DerivationKind::array: {
        std::uint64_t total = std::uint64_t{size} * (at->sized ? at->count : 0);
        size = total > 0xFFFFFFu ? 0xFFFFFFu : static_cast<std::uint32_t>(total);
        break;
      }
      case DerivationKind::function:
        size = 0;
        break;
    }
  }
  return size;
}

bool sameType(const Type& a, const Type& b) {
  if (a.base != b.base || a.aggregate != b.aggregate ||
      a.derivations.size() != b.derivations.size())
    return false;
  for (std::size_t i = 0; i < a.derivations.size(); ++i) {
    const Derivation& x = a.derivations[i];
    const Derivation& y = b.derivations[i];
    if (x.kind != y.kind) return false;
    if (x.kind == DerivationKind::pointer && x.attribute != y.attribute) return false;
    if (x.kind == DerivationKind::array && x.sized && y.sized && x.count != y.count) return false;
    if (x.kind == DerivationKind::function && x.function && y.function && x.function->prototype &&
        y.function->prototype) {
      const auto& p = x.function->parameters;
      const auto& q = y.function->parameters;
      if (p.size() != q.size()) return false;
      for (std::size_t k = 0; k < p.size(); ++k) {
        if (p[k].registerValue != q[k].registerValue || !sameType(p[k].type, q[k].type))
          return false;
      }
    }
  }
  return true;
}

bool isUnsigned(const Type& type) {
  return type.derivations.empty() &&
         (type.base == BaseType::ucharType || type.base == BaseType::ushortType);
}

bool isInteger(const Type& type) {
  if (!type.derivations.empty()) return false;
  switch (type.base) {
    case BaseType::charType:
    case BaseType::shortType:
    case BaseType::ucharType:
    case BaseType::ushortType:
      return true;
    default:
      return false;
  }
}

bool isCodeAddress(const Type& type) {
  return type.isFunction() || type.isFunctionPointer() ||
         (type.scalar() && type.base == BaseType::entryType);
}

bool isDataPointer(const Type& type) { return type.isPointer() && !type.isFunctionPointer(); }

bool samePointer(const Type& a, const Type& b) {
  if (!a.isPointer() || !b.isPointer()) return false;
  if (a.derivations.front().attribute != b.derivations.front().attribute) return false;
  Type x = a.inner(), y = b.inner();
  x.isConst = y.isConst = false;
  return sameType(x, y);
}

}  // namespace kz::clike
