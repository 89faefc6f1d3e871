#include "clike/conversions.h"

namespace kz::clike {
namespace {

bool isError(Message message) { return static_cast<int>(message) < 500; }

// Messages of the kinds of the two types: pointers, code addresses, signedness.
void kindMessages(const ValueType& target, const ValueType& value, std::vector<Message>& out) {
  const Type& t = target.type();
  const Type& v = value.type();
  if (t.isAggregate() || v.isAggregate()) {
    if (!sameType(t, v)) out.push_back(Message::typeUnmatch);
    return;
  }
  if (isCodeAddress(t) != isCodeAddress(v)) {
    out.push_back(Message::typeUnmatchWarning);
    return;
  }
  bool targetPointer = isDataPointer(t), valuePointer = isDataPointer(v);
  if (targetPointer && valuePointer) {
    if (!samePointer(t, v)) out.push_back(Message::pointerPointerConversion);
  } else if (targetPointer != valuePointer) {
    out.push_back(Message::intPointerConversion);
  } else if (isInteger(t) && isInteger(v) && isUnsigned(t) != isUnsigned(v)) {
    out.push_back(Message::signedUnsignedConversion);
  }
}

void sizeMessages(const ValueType& target, const ValueType& value, ConversionUse use,
                  std::vector<Message>& out) {
  bool stored = use == ConversionUse::assignment;
  if (value.constant) {
    if (!fitsSize(value.value, target.size))
      out.push_back(stored ? Message::dataTruncation : Message::truncationNotAllowed);
    return;
  }
  if (target.size > value.size) {
    // Nothing extends a sign: a signed byte cannot be widened at all.
    bool signedByte = value.known && isInteger(value.type()) && !isUnsigned(value.type());
    if (signedByte || use == ConversionUse::operation)
      out.push_back(Message::expansionNotAllowed);
    else if (stored)
      out.push_back(Message::dataExpansion);
  } else if (target.size < value.size && use != ConversionUse::cast) {
    out.push_back(stored ? Message::dataTruncation : Message::truncationNotAllowed);
  }
}

}  // namespace

const Type ValueType::kNoType{};

namespace {

Type baseType(BaseType base) {
  Type type;
  type.base = base;
  return type;
}

}  // namespace

const Type ValueType::kByteNumber = baseType(BaseType::ucharType);
const Type ValueType::kWordNumber = baseType(BaseType::ushortType);

ValueType ValueType::untyped(std::uint32_t size) {
  ValueType result;
  result.size = size;
  return result;
}

ValueType ValueType::of(const Type& type) {
  ValueType result;
  result.type_ = &type;
  result.known = true;
  result.isVoid = type.scalar() && type.base == BaseType::voidType;
  result.size = sizeOf(type);
  return result;
}

std::vector<Message> conversionMessages(const ValueType& target, const ValueType& value,
                                        ConversionUse use) {
  std::vector<Message> out;
  if (value.isVoid) {
    out.push_back(Message::voidHasNoValue);
    return out;
  }
  if (target.known && value.known && !value.constant && use != ConversionUse::cast)
    kindMessages(target, value, out);
  else if (target.known && value.constant && value.value != 0 && isDataPointer(target.type()) &&
           use != ConversionUse::cast)
    out.push_back(Message::intPointerConversion);
  for (Message message : out) {
    if (isError(message)) return out;
  }
  sizeMessages(target, value, use, out);
  return out;
}

}  // namespace kz::clike
