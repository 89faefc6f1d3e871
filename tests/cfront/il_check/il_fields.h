#pragma once
// The pieces an intermediate-file line is made of: comma-separated fields, decimal numbers,
// quoted names, operands and constants, each read without trusting the text.
#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace kz::iltest {

inline std::vector<std::string_view> splitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (std::size_t at = 0; at <= line.size(); ++at) {
    if (at == line.size() || line[at] == ',') {
      fields.push_back(line.substr(start, at - start));
      start = at + 1;
    }
  }
  return fields;
}

// A decimal number with an optional '-', nothing else around it.
inline std::optional<long long> signedNumber(std::string_view text) {
  if (text.empty() || text[0] == '+') return std::nullopt;
  long long value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

inline std::optional<std::uint32_t> unsignedNumber(std::string_view text) {
  if (text.empty() || text[0] < '0' || text[0] > '9') return std::nullopt;
  std::uint32_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// A number after a letter prefix: "T12" with prefix "T".
inline std::optional<std::uint32_t> numbered(std::string_view text, std::string_view prefix) {
  if (text.substr(0, prefix.size()) != prefix) return std::nullopt;
  return unsignedNumber(text.substr(prefix.size()));
}

// "name" in double quotes, at most `limit` characters, no quote inside.
inline std::optional<std::string_view> quotedName(std::string_view text, std::size_t limit) {
  if (text.size() < 2 || text.front() != '"' || text.back() != '"') return std::nullopt;
  std::string_view name = text.substr(1, text.size() - 2);
  if (name.size() > limit || name.find('"') != std::string_view::npos) return std::nullopt;
  return name;
}

// A floating value as "%.<n>Le" writes it.
inline bool isFloatingText(std::string_view text) {
  if (text == "inf" || text == "-inf" || text == "nan" || text == "-nan") return true;
  std::size_t at = 0;
  auto digits = [&] {
    std::size_t from = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
    return at > from;
  };
  if (at < text.size() && text[at] == '-') ++at;
  if (!digits()) return false;
  if (at < text.size() && text[at] == '.') {
    ++at;
    if (!digits()) return false;
  }
  if (at >= text.size() || text[at] != 'e') return false;
  ++at;
  if (at >= text.size() || (text[at] != '+' && text[at] != '-')) return false;
  ++at;
  return digits() && at == text.size();
}

enum class OperandKind {
  global,
  parameter,
  staticObject,
  automatic,
  temporary,
  result,
  constant,
  truth,
  registerVariable,
  flag
};

struct OperandView {
  OperandKind kind = OperandKind::constant;
  bool indirect = false;
  std::uint32_t number = 0;  // P, S, I, T, GB/GW: the number
  std::string_view name;     // @: the assembler name
  std::uint32_t size = 0;    // constants and registers: the size their form gives; 0 unknown
  bool sizeExact = true;     // false for a plain integer constant, which may be a char's
};

// The size a constant's form gives: "5" int (or a char), "U5" 2, "L5"/"LU5" 4, floating 4/8/10.
inline std::optional<std::uint32_t> constantSize(std::string_view text) {
  struct Form {
    std::string_view prefix;
    std::uint32_t size;
    bool floating;
  };
  static constexpr Form forms[] = {{"LU", 4, false}, {"L", 4, false}, {"U", 2, false},
                                   {"F", 4, true},   {"D", 8, true},  {"X", 10, true}};
  for (const Form& form : forms) {
    if (text.substr(0, form.prefix.size()) != form.prefix) continue;
    std::string_view rest = text.substr(form.prefix.size());
    if (form.floating) return isFloatingText(rest) ? std::optional(form.size) : std::nullopt;
    if (!signedNumber(rest)) return std::nullopt;
    if (form.prefix != "L" && rest[0] == '-') return std::nullopt;
    return form.size;
  }
  if (!signedNumber(text)) return std::nullopt;
  return 2;
}

inline std::optional<OperandView> parseOperand(std::string_view text) {
  OperandView view;
  if (!text.empty() && text[0] == '*') {
    view.indirect = true;
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  auto number = [&](OperandKind kind, std::string_view prefix) -> std::optional<OperandView> {
    auto value = numbered(text, prefix);
    if (!value) return std::nullopt;
    view.kind = kind;
    view.number = *value;
    return view;
  };
  switch (text[0]) {
    case '@':
      if (text.substr(0, 4) == "@..S") return number(OperandKind::staticObject, "@..S");
      if (text.size() < 2 || text.size() > 33) return std::nullopt;
      view.kind = OperandKind::global;
      view.name = text.substr(1);
      return view;
    case 'P':
      return number(OperandKind::parameter, "P");
    case 'S':
      return number(OperandKind::staticObject, "S");
    case 'I':
      return number(OperandKind::automatic, "I");
    case 'T':
      return number(OperandKind::temporary, "T");
    case 'A':
      if (text.size() != 1 || view.indirect) return std::nullopt;
      view.kind = OperandKind::result;
      return view;
    case '#': {
      if (view.indirect) return std::nullopt;
      auto size = constantSize(text.substr(1));
      if (!size) return std::nullopt;
      view.kind = OperandKind::constant;
      view.size = *size;
      view.sizeExact = text.size() > 1 && (text[1] < '0' || text[1] > '9') && text[1] != '-';
      return view;
    }
    case 'G': {
      if (text.size() == 3 && text[1] == 'F' &&
          std::string_view("JZCH").find(text[2]) != std::string_view::npos) {
        view.kind = OperandKind::flag;
        view.size = 1;
        return view;
      }
      if (text.size() != 3 || (text[1] != 'B' && text[1] != 'W') || text[2] < '0' || text[2] > '7')
        return std::nullopt;
      view.kind = OperandKind::registerVariable;
      view.number = static_cast<std::uint32_t>(text[2] - '0');
      view.size = text[1] == 'B' ? 1 : 2;
      return view;
    }
    default:
      if ((text == "true" || text == "false") && !view.indirect) {
        view.kind = OperandKind::truth;
        return view;
      }
      return std::nullopt;
  }
}

// An operand an instruction may write its result to.
inline bool isWritable(const OperandView& view) {
  return view.indirect || (view.kind != OperandKind::constant && view.kind != OperandKind::truth);
}

}  // namespace kz::iltest
