#include "asm/option_lines.h"

#include <optional>

namespace kz::assembler {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == '\r'; }

// One word of an option line: an option ends at white space, ';' or the next '-';
// a value ends at white space or ';'.
class OptionLineCursor {
 public:
  explicit OptionLineCursor(std::string_view line) : line_(line) {}

  bool atEnd() {
    while (position_ < line_.size() && isBlank(line_[position_])) ++position_;
    return position_ >= line_.size() || line_[position_] == ';';
  }
  bool atOption() { return !atEnd() && line_[position_] == '-'; }

  std::string_view option() {
    std::size_t start = position_++;
    while (position_ < line_.size() && !isBlank(line_[position_]) && line_[position_] != ';' &&
           line_[position_] != '-') {
      ++position_;
    }
    return line_.substr(start, position_ - start);
  }

  std::string_view value() {
    std::size_t start = position_;
    while (position_ < line_.size() && !isBlank(line_[position_]) && line_[position_] != ';')
      ++position_;
    return line_.substr(start, position_ - start);
  }

 private:
  std::string_view line_;
  std::size_t position_ = 0;
};

bool acceptedInOptionLine(const OptionRule& rule) {
  return rule.id != OptionId::commandFile && rule.id != OptionId::forbidden;
}

}  // namespace

PrescanLine classifyPrescanLine(std::string_view line) {
  for (char c : line) {
    if (isBlank(c)) continue;
    if (c == ';') return PrescanLine::skipped;
    return c == '-' ? PrescanLine::options : PrescanLine::statement;
  }
  return PrescanLine::skipped;
}

void applyOptionLine(std::string_view line, OptionSettings& settings,
                     const std::function<void()>& refuse) {
  OptionLineCursor cursor(line);
  while (!cursor.atEnd()) {
    if (!cursor.atOption()) {
      cursor.value();
      refuse();
      continue;
    }
    std::string_view text = cursor.option();
    OptionMatch match = matchOption(text);
    if (!match.rule) {
      refuse();
      continue;
    }
    std::optional<std::string> value = match.attached;
    bool needsValue =
        match.rule->value == ValueRule::attachedOrNext || match.rule->value == ValueRule::nextOnly;
    if (needsValue && !value) {
      if (cursor.atEnd() || cursor.atOption()) {
        refuse();
        continue;
      }
      value = std::string(cursor.value());
    }
    if (!acceptedInOptionLine(*match.rule) || OptionSettings::checkValue(*match.rule, value) ||
        settings.apply(*match.rule, value, true) != ApplyResult::applied) {
      refuse();
    }
  }
}

long prescanOptionLines(SourceReader& reader, OptionSettings& settings,
                        const std::function<void(long)>& refuse) {
  long scanned = 0;
  SourceLine line;
  while (reader.nextLine(line)) {
    PrescanLine kind = classifyPrescanLine(line.text);
    if (kind == PrescanLine::statement) break;
    ++scanned;
    if (kind == PrescanLine::options)
      applyOptionLine(line.text, settings, [&] { refuse(scanned); });
  }
  reader.rewindSource();
  return scanned;
}

}  // namespace kz::assembler
