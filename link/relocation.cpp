// Relocation: every load of every module is copied into its output section, and every
// relocated field is computed from its postfix expression and range-checked by its bracket.
//
//   R n, L n   address of section n of the module (its piece of the output section)
//   S n        size of that piece
//   P n        address of the field being loaded
//   X n        value of the external symbol; I n of the module's own public; N n of a local
//
// Fields are written least significant byte first. Range by bracket, w = width in bytes:
// signed -2^(8w-1) .. 2^(8w-1)-1; unsigned -2^(8w) .. 2^(8w)-1 (the assembler's rule for
// constants of a width, so "DB -label" links as it assembles); either -2^(8w-1) .. 2^(8w)-1.
#include <algorithm>
#include <array>
#include <cstdio>

#include "link/linker.h"

namespace kz::link {
namespace {

constexpr int kMaxDepth = 64;
constexpr std::size_t kMaxStack = 256;

std::string hex(std::int64_t value) {
  char text[32];
  if (value < 0) {
    std::snprintf(text, sizeof text, "-0x%04llX",
                  static_cast<unsigned long long>(-(value + 1)) + 1);
  } else {
    std::snprintf(text, sizeof text, "0x%04llX", static_cast<unsigned long long>(value));
  }
  return text;
}

struct FieldRange {
  std::int64_t low;
  std::int64_t high;
};

FieldRange rangeOf(object::FieldCheck check, std::uint32_t width) {
  std::int64_t bits = 8 * static_cast<std::int64_t>(width);
  std::int64_t full = bits >= 63 ? INT64_MAX : (std::int64_t{1} << bits);
  std::int64_t half = bits >= 63 ? INT64_MAX : (std::int64_t{1} << (bits - 1));
  switch (check) {
    case object::FieldCheck::signedField:
      return {-half, half - 1};
    case object::FieldCheck::unsignedField:
      return {-full, full - 1};
    case object::FieldCheck::eitherField:
      return {-half, full - 1};
  }
  return {-full, full - 1};
}

}  // namespace

// Where a value is needed, for the messages: the module, and the field's place.
struct EvaluationSite {
  std::size_t module;
  // The field's section (its name) and offset, or the public whose value is wanted; the
  // text is made only for a message.
  const std::string* sectionName = nullptr;
  std::uint64_t offset = 0;
  const std::string* publicName = nullptr;
  std::optional<std::int64_t> loadPointer;
  std::vector<std::pair<std::string, std::int64_t>> symbols;  // names used and their values
};

class Relocator {
 public:
  explicit Relocator(Linker& linker) : linker_(linker), diagnostics_(linker.diagnostics_) {}

  std::optional<std::int64_t> evaluate(const object::Expression& expression, EvaluationSite& site,
                                       int depth);
  void applyAll();

 private:
  void fail(Message message, const std::string& text, const EvaluationSite& site);
  std::optional<std::int64_t> variable(const object::Term& term, EvaluationSite& site, int depth);
  std::string symbolsText(const EvaluationSite& site) const;

  Linker& linker_;
  Diagnostics& diagnostics_;
};

void Relocator::fail(Message message, const std::string& text, const EvaluationSite& site) {
  std::string place = site.sectionName != nullptr
                          ? *site.sectionName + "+" + hex(static_cast<std::int64_t>(site.offset))
                          : "public " + (site.publicName != nullptr ? *site.publicName : "");
  diagnostics_.report(message, text + " at " + place + symbolsText(site),
                      linker_.modules_[site.module].displayName);
}

std::string Relocator::symbolsText(const EvaluationSite& site) const {
  std::string text;
  for (const auto& [name, value] : site.symbols) {
    text += text.empty() ? " (" : ", ";
    text += name + " = " + hex(value);
  }
  return text.empty() ? text : text + ")";
}

std::optional<std::int64_t> Relocator::variable(const object::Term& term, EvaluationSite& site,
                                                int depth) {
  InputModule& input = linker_.modules_[site.module];
  const object::Module& module = input.module;
  switch (term.letter) {
    case 'R':
    case 'L':
    case 'S': {
      auto position = module.sectionAt(term.value);
      if (!position) break;
      if (term.letter == 'S') return static_cast<std::int64_t>(module.sections[*position].size);
      return static_cast<std::int64_t>(input.sectionAddress[*position]);
    }
    case 'P':
      if (site.loadPointer) return site.loadPointer;
      break;
    case 'X': {
      auto position = module.externalAt(term.value);
      if (!position) break;
      const std::string& name = module.externals[*position].name;
      auto value = linker_.symbolValue(name);
      if (!value) {
        fail(Message::undefinedSymbol, "\"" + name + "\", used", site);
        return std::nullopt;
      }
      site.symbols.push_back({name, *value});
      return value;
    }
    case 'I': {
      auto position = module.publicAt(term.value);
      if (!position) break;
      return linker_.publicValue(site.module, *position);
    }
    case 'N': {
      auto position = module.localAt(term.value);
      if (!position || module.locals[*position].value.empty()) break;
      return evaluate(module.locals[*position].value, site, depth + 1);
    }
    default:
      break;
  }
  fail(Message::cannotEvaluate,
       "variable " + std::string(1, term.letter) + std::to_string(term.value) + " is not known",
       site);
  return std::nullopt;
}

std::optional<std::int64_t> Relocator::evaluate(const object::Expression& expression,
                                                EvaluationSite& site, int depth) {
  using object::Function;
  using object::TermKind;
  if (depth > kMaxDepth) {
    fail(Message::circularSymbol, "values nested more than " + std::to_string(kMaxDepth) + " deep",
         site);
    return std::nullopt;
  }
  // A fixed stack: no allocation per field.
  struct ValueStack {
    std::array<std::int64_t, kMaxStack> values;
    std::size_t count = 0;
    std::size_t size() const { return count; }
    void push_back(std::int64_t value) { values[count++] = value; }
    std::int64_t& back() { return values[count - 1]; }
  } stack;
  auto pop = [&]() { return stack.values[--stack.count]; };
  for (const object::Term& term : expression) {
    if (stack.size() >= kMaxStack) {
      fail(Message::cannotEvaluate, "the expression is too deep", site);
      return std::nullopt;
    }
    switch (term.kind) {
      case TermKind::number:
        stack.push_back(static_cast<std::int64_t>(term.value) * (term.negative ? -1 : 1));
        continue;
      case TermKind::variable: {
        auto value = variable(term, site, depth);
        if (!value) return std::nullopt;
        stack.push_back(*value);
        continue;
      }
      case TermKind::escape: {
        if (term.value != static_cast<std::uint64_t>(object::Escape::inBlock) || stack.size() < 3)
          break;
        std::int64_t size = pop();
        std::int64_t base = pop();
        std::int64_t value = stack.back();
        if (value < base || value - base >= size) {
          fail(Message::notInBlock,
               hex(value) + " is not in " + hex(base) + ".." + hex(base + size - 1), site);
          return std::nullopt;
        }
        continue;
      }
      case TermKind::function: {
        const object::FunctionInfo* info =
            object::findFunction(static_cast<std::uint8_t>(term.value));
        if (info == nullptr || info->operands < 1 ||
            stack.size() < static_cast<std::size_t>(info->operands))
          break;
        if (info->operands == 1) {
          std::int64_t a = pop();
          switch (static_cast<Function>(term.value)) {
            case Function::negate:
              stack.push_back(static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(a)));
              continue;
            case Function::bitNot:
              stack.push_back(~a);
              continue;
            case Function::absolute:
              stack.push_back(a < 0 ? static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(a))
                                    : a);
              continue;
            default:
              break;
          }
          break;
        }
        std::int64_t b = pop();
        std::int64_t a = pop();
        auto ua = static_cast<std::uint64_t>(a);
        auto ub = static_cast<std::uint64_t>(b);
        std::int64_t result = 0;
        switch (static_cast<Function>(term.value)) {
          case Function::add:
            result = static_cast<std::int64_t>(ua + ub);
            break;
          case Function::subtract:
            result = static_cast<std::int64_t>(ua - ub);
            break;
          case Function::multiply:
            result = static_cast<std::int64_t>(ua * ub);
            break;
          case Function::divide:
          case Function::remainder:
            if (b == 0 || (a == INT64_MIN && b == -1)) {
              fail(Message::divisionByZero, "a division by " + hex(b), site);
              return std::nullopt;
            }
            result = static_cast<Function>(term.value) == Function::divide ? a / b : a % b;
            break;
          case Function::bitAnd:
            result = a & b;
            break;
          case Function::bitOr:
            result = a | b;
            break;
          case Function::bitXor:
            result = a ^ b;
            break;
          case Function::maximum:
            result = std::max(a, b);
            break;
          case Function::minimum:
            result = std::min(a, b);
            break;
          case Function::less:
            result = a < b;
            break;
          case Function::greater:
            result = a > b;
            break;
          case Function::equal:
            result = a == b;
            break;
          case Function::notEqual:
            result = a != b;
            break;
          default:
            fail(Message::cannotEvaluate,
                 "function " + std::string(info->name) + " is not supported", site);
            return std::nullopt;
        }
        stack.push_back(result);
        continue;
      }
    }
    fail(Message::cannotEvaluate, "a term without its operands", site);
    return std::nullopt;
  }
  if (stack.size() != 1) {
    fail(Message::cannotEvaluate,
         "the expression leaves " + std::to_string(stack.size()) + " values", site);
    return std::nullopt;
  }
  return stack.back();
}

void Relocator::applyAll() {
  auto& sections = linker_.sections_;
  auto& images = linker_.images_;
  images.resize(sections.size());
  // Module section -> output section and the piece's offset in it.
  std::vector<std::vector<std::pair<std::size_t, std::uint64_t>>> target(linker_.modules_.size());
  for (std::size_t i = 0; i < sections.size(); ++i) {
    images[i].bytes.assign(sections[i].size, 0);
    images[i].defined.assign(sections[i].size, false);
    for (const OutputSection::Piece& piece : sections[i].pieces) {
      auto& list = target[piece.module];
      if (list.size() <= piece.section)
        list.resize(linker_.modules_[piece.module].module.sections.size());
      list[piece.section] = {i, piece.offset};
    }
  }
  for (std::size_t m = 0; m < linker_.modules_.size(); ++m) {
    const object::Module& module = linker_.modules_[m].module;
    for (const object::ModuleLoad& load : module.loads) {
      auto [output, pieceOffset] = target[m][load.section];
      Linker::SectionImage& image = images[output];
      std::uint64_t base = pieceOffset + load.offset;
      const object::ModuleSection& section = module.sections[load.section];
      for (std::uint64_t copy = 0; copy < load.repeat; ++copy) {
        std::uint64_t at = base + copy * load.size;
        if (load.relocation < 0) {
          std::copy_n(module.bytes.begin() + static_cast<std::ptrdiff_t>(load.bytesAt), load.size,
                      image.bytes.begin() + static_cast<std::ptrdiff_t>(at));
          std::fill_n(image.defined.begin() + static_cast<std::ptrdiff_t>(at), load.size, true);
          continue;
        }
        const object::ModuleRelocation& field =
            module.relocations[static_cast<std::size_t>(load.relocation)];
        EvaluationSite site;
        site.module = m;
        site.sectionName = &section.name;
        site.offset = load.offset + copy * load.size;
        site.loadPointer = static_cast<std::int64_t>(
            linker_.modules_[m].sectionAddress[load.section] + load.offset + copy * load.size);
        auto value = evaluate(field.value, site, 0);
        if (!value) continue;
        FieldRange range = rangeOf(field.check, field.width);
        if (*value < range.low || *value > range.high) {
          fail(Message::valueOutOfRange,
               hex(*value) + " does not fit the " + std::to_string(field.width) + "-byte " +
                   std::string(object::bracketInfo(field.check).meaning) + " field (" +
                   hex(range.low) + ".." + hex(range.high) + ")",
               site);
          continue;
        }
        auto bits = static_cast<std::uint64_t>(*value);
        for (std::uint32_t b = 0; b < field.width; ++b) {
          image.bytes[at + b] = static_cast<std::uint8_t>(bits >> (8 * b));
          image.defined[at + b] = true;
        }
      }
    }
  }
}

std::optional<std::int64_t> Linker::publicValue(std::size_t module, std::size_t position) {
  InputModule& input = modules_[module];
  if (input.publicState[position] == 2) return input.publicValues[position];
  const object::ModuleSymbol& symbol = input.module.publics[position];
  Relocator relocator(*this);
  EvaluationSite site;
  site.module = module;
  site.publicName = &symbol.name;
  if (input.publicState[position] == 1) {
    diagnostics_.report(Message::circularSymbol, symbol.name, input.displayName);
    input.publicState[position] = 2;
    return std::nullopt;
  }
  if (symbol.value.empty()) {
    diagnostics_.report(Message::cannotEvaluate, "public " + symbol.name + " has no value",
                        input.displayName);
    input.publicState[position] = 2;
    return std::nullopt;
  }
  input.publicState[position] = 1;
  auto value = relocator.evaluate(symbol.value, site, 0);
  input.publicValues[position] = value;
  input.publicState[position] = 2;
  return value;
}

void Linker::relocate() {
  Relocator relocator(*this);
  relocator.applyAll();
}

}  // namespace kz::link
