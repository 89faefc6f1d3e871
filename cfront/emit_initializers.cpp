// Initialiser data after the symbol line of a static or global object: integer items gathered
// eight to a line by size letter, floating items one per line, string text in chunks,
// addresses by name with an offset, and zero fill for what the initialiser leaves out.
#include <cstdio>
#include <string>

#include "cfront/emitter.h"
#include "cfront/initializer_shapes.h"

namespace kz::cfront {
namespace {

constexpr std::size_t kStringChunk = 32;
constexpr int kItemsPerLine = 8;

char sizeLetter(std::uint32_t size) { return size == 1 ? 'c' : size == 4 ? 'l' : 's'; }

// The longest escape of one byte: a backslash and three octal digits.
constexpr std::size_t kLongestEscape = 4;

// Writes string bytes inside quotes at `out`, with the characters a line cannot hold escaped;
// returns the end. Room is needed for 2 + kLongestEscape * bytes.size() characters.
char* quotedAt(char* out, std::string_view bytes) {
  *out++ = '"';
  for (char c : bytes) {
    auto byte = static_cast<unsigned char>(c);
    if (byte == '"' || byte == '\\') {
      *out++ = '\\';
      *out++ = c;
    } else if (byte < 0x20 || byte >= 0x7F) {
      *out++ = '\\';
      *out++ = static_cast<char>('0' + (byte >> 6));
      *out++ = static_cast<char>('0' + ((byte >> 3) & 7));
      *out++ = static_cast<char>('0' + (byte & 7));
    } else {
      *out++ = c;
    }
  }
  *out++ = '"';
  return out;
}

const Expr* stripConversions(const Expr* expr) {
  while (expr && (expr->kind == ExprKind::implicitConversion || expr->kind == ExprKind::cast) &&
         expr->left && !expr->isConstant)
    expr = expr->left;
  return expr;
}

}  // namespace

void Emitter::holdData(TypeRef type, const Initializer* init, HeldOutput& held) {
  if (!init) return;
  LineSink* saved = dataOut_;
  dataOut_ = &held;
  initializerData(type, init);
  dataOut_ = saved;
}

void Emitter::initializerData(TypeRef type, const Initializer* init) {
  std::uint32_t written = 0;
  dataOf(type, init, written);
  std::uint32_t size = sizeOf(type);
  if (written < size) zeroFill(size - written);
  flushData();
}

void Emitter::dataLine(std::string_view text) {
  LineSink& sink = dataOut_ ? *dataOut_ : text_;
  sink.write(text);
  sink.write("\n");
}

void Emitter::flushData() {
  if (!dataLine_.empty()) dataLine(dataLine_);
  dataLine_.clear();
  dataSize_ = 0;
  dataItems_ = 0;
}

void Emitter::integerItem(char size, long long value) {
  if (dataSize_ != size || dataItems_ == kItemsPerLine) {
    flushData();
    dataLine_ = std::string("\t,") + size + std::to_string(value);
    dataSize_ = size;
    dataItems_ = 1;
    return;
  }
  dataLine_ += "," + std::to_string(value);
  ++dataItems_;
}

void Emitter::zeroFill(std::uint32_t bytes) {
  if (bytes == 0) return;
  flushData();
  dataLine("\t,r" + std::to_string(bytes));
}

void Emitter::dataOf(TypeRef type, const Initializer* init, std::uint32_t& written) {
  if (const Expr* string = wholeArrayString(type, init)) {
    stringData(type, string, written);
    return;
  }
  if (isAggregate(type)) {
    if (!init->braced) {
      scalarData(type, init->expression, written);
      return;
    }
    std::size_t at = 0;
    std::uint32_t start = written;
    aggregateData(type, init->elements, at, written);
    std::uint32_t size = sizeOf(type);
    if (written - start < size) zeroFill(size - (written - start));
    written = start + size;
    return;
  }
  if (init->braced) {
    if (!init->elements.empty()) dataOf(type, init->elements[0], written);
    return;
  }
  scalarData(type, init->expression, written);
}

// Elements with brace elision, as the parser matched them: an aggregate element without braces
// of its own takes as many items as it needs.
void Emitter::aggregateData(TypeRef type, const std::vector<Initializer*>& elements,
                            std::size_t& at, std::uint32_t& written) {
  auto fill = [&](TypeRef part) {
    const Initializer* element = elements[at];
    bool elided = isAggregate(part) && !element->braced && !wholeArrayString(part, element) &&
                  !(part->isRecord() && element->expression && element->expression->type &&
                    element->expression->type->isRecord());
    std::uint32_t start = written;
    if (elided) {
      aggregateData(part, elements, at, written);
    } else {
      dataOf(part, element, written);
      ++at;
    }
    std::uint32_t size = sizeOf(part);
    if (written - start < size) zeroFill(size - (written - start));
    written = start + size;
  };
  std::uint32_t start = written;
  if (type->kind == TypeKind::array) {
    for (std::uint32_t i = 0; i < type->count && at < elements.size(); ++i) fill(type->target);
  } else if (type->record) {
    for (const Member& member : type->record->members) {
      if (at >= elements.size()) break;
      std::uint32_t offset = start + member.offset;
      if (written < offset) {
        zeroFill(offset - written);
        written = offset;
      }
      if (written > offset) continue;  // a further bit field of a unit already written
      if (member.isBitField) {
        // The bit fields sharing a unit make one item of the unit's size.
        long long bits = 0;
        std::uint32_t unit = sizeOf(member.type);
        for (const Member& other : type->record->members) {
          if (!other.isBitField || other.offset != member.offset || other.name.empty()) continue;
          if (at >= elements.size()) break;
          const Expr* item = elements[at]->expression;
          ++at;
          long long mask = (1LL << other.bitWidth) - 1;
          if (item && item->isConstant) bits |= (item->integer & mask) << other.bitOffset;
        }
        integerItem(sizeLetter(unit), bits);
        written += unit;
      } else {
        fill(member.type);
      }
      if (type->kind == TypeKind::unionType) break;
    }
  }
}

// Text of a plain literal in quoted chunks; of a wide literal (two bytes a character, the high
// one first) one 2-byte item a character. The terminating zero goes in when there is room.
void Emitter::stringData(TypeRef type, const Expr* string, std::uint32_t& written) {
  if (holdsWideCharacters(type)) {
    std::uint32_t count = type->count;
    std::uint32_t characters = 0;
    std::string_view bytes = string->text();
    for (std::size_t at = 0; characters < count && at < bytes.size(); ++characters) {
      long long code = static_cast<unsigned char>(bytes[at++]);
      if (string->wide() && at < bytes.size())
        code = code << 8 | static_cast<unsigned char>(bytes[at++]);
      if (!isUnsigned(type->target) && code > 0x7FFF) code -= 0x10000;
      integerItem('s', code);
    }
    if (characters < count) {
      integerItem('s', 0);
      ++characters;
    }
    written += characters * sizeOf(type->target);
    return;
  }
  flushData();
  std::string_view bytes = string->text();
  std::uint32_t size = sizeOf(type);
  if (bytes.size() > size) bytes = bytes.substr(0, size);
  bool terminated = bytes.size() < size;
  for (std::size_t at = 0; at < bytes.size() || (at == 0 && bytes.empty());) {
    std::string_view chunk = bytes.substr(at, kStringChunk);
    at += chunk.size();
    bool last = at >= bytes.size();
    char line[3 + 2 + kLongestEscape * kStringChunk];
    line[0] = '\t';
    line[1] = ',';
    line[2] = last && terminated ? 'Z' : 'S';
    char* end = quotedAt(line + 3, chunk);
    dataLine(std::string_view(line, static_cast<std::size_t>(end - line)));
    if (chunk.empty()) break;
  }
  written += static_cast<std::uint32_t>(bytes.size()) + (terminated ? 1 : 0);
}

void Emitter::scalarData(TypeRef type, const Expr* value, std::uint32_t& written) {
  std::uint32_t size = sizeOf(type);
  written += size;
  if (!value) {
    zeroFill(size);
    return;
  }
  if (type->isFloating()) {
    flushData();
    double number = value->type && value->type->isFloating() ? value->floating
                                                             : static_cast<double>(value->integer);
    char text[64];
    if (type->kind == TypeKind::floatType)
      std::snprintf(text, sizeof text, "\t,F%.8Le", static_cast<long double>(number));
    else if (type->kind == TypeKind::doubleType)
      std::snprintf(text, sizeof text, "\t,D%.16Le", static_cast<long double>(number));
    else
      std::snprintf(text, sizeof text, "\t,X%.20Le", static_cast<long double>(number));
    dataLine(text);
    return;
  }
  if (value->isConstant && !(value->type && value->type->kind == TypeKind::pointer &&
                             stripConversions(value) != value)) {
    integerItem(sizeLetter(size), value->integer);
    return;
  }
  flushData();
  std::string address = addressText(value);
  dataLine("\t," + std::string(1, sizeLetter(size)) + address);
}

// An address constant: a static object or string by its S name, a global by its assembler
// name, with a signed byte offset when it points inside the object.
std::string Emitter::addressText(const Expr* value) {
  long long offset = 0;
  const Expr* at = stripConversions(value);
  while (at && at->kind == ExprKind::binary && at->right && at->right->isConstant) {
    std::uint32_t size = at->type && at->type->kind == TypeKind::pointer && at->type->target
                             ? sizeOf(at->type->target)
                             : 1;
    long long step = at->right->integer * static_cast<long long>(size);
    offset += at->op == BinaryOp::subtract ? -step : step;
    at = stripConversions(at->left);
  }
  if (at && at->kind == ExprKind::addressOf) at = at->left;
  while (at && (at->kind == ExprKind::member || at->kind == ExprKind::subscript)) {
    if (at->kind == ExprKind::member && at->memberInfo) {
      offset += at->memberInfo->offset;
      at = at->left;
    } else if (at->kind == ExprKind::subscript && at->right && at->right->isConstant) {
      offset += at->right->integer * static_cast<long long>(sizeOf(at->type));
      at = stripConversions(at->left);
    } else {
      break;
    }
  }
  std::string name;
  if (at && at->kind == ExprKind::stringLiteral) {
    name = std::string(stringObject(at).text());
  } else if (at && at->kind == ExprKind::name && at->symbol) {
    name = std::string(operandOf(at->symbol).text());
  } else {
    name = "0";
  }
  if (name[0] == '@') name = name.substr(1);  // data names objects without the '@
  if (offset == 0) return name;
  char text[32];
  std::snprintf(text, sizeof text, "%+lld", offset);
  return name + text;
}

// A string literal becomes a static object of its own: "\tS<n>,"",type,3,size,memory,3", or
// "\t@..S<n>,"",type,5,..." while a builtin-function file is made.
Operand Emitter::stringObject(const Expr* string) {
  std::uint32_t number = ++statics_;
  TypeRef type = string->type;
  std::uint32_t typeNumber = typeIndex(type);
  // The object's lines go straight out, ahead of the data of an object being initialised.
  std::string savedLine = std::move(dataLine_);
  char savedSize = dataSize_;
  int savedItems = dataItems_;
  LineSink* savedOut = dataOut_;
  dataLine_.clear();
  dataSize_ = 0;
  dataItems_ = 0;
  dataOut_ = nullptr;
  text_.append(makingBuiltins() ? "\t@..S" : "\tS").number(number).append(",\"\",");
  text_.number(typeNumber).append(makingBuiltins() ? ",5," : ",3,").number(sizeOf(type));
  text_.put(',').number(static_cast<std::uint32_t>(stringMemory())).append(",3");
  endLine();
  std::uint32_t written = 0;
  stringData(type, string, written);
  flushData();
  dataLine_ = std::move(savedLine);
  dataSize_ = savedSize;
  dataItems_ = savedItems;
  dataOut_ = savedOut;
  if (makingBuiltins()) return {"@..S" + std::to_string(number), type};
  return Operand('S', number, type);
}

}  // namespace kz::cfront
