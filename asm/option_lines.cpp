#include "asm/option_lines.h"

#include <cstdio>
#include <optional>
#include <vector>

#include "common/host_path.h"

namespace kz::assembler {
namespace {

constexpr char kCtrlZ = 0x1A;
constexpr std::size_t kBlockSize = 16384;

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
    while (position_ < line_.size() && !isBlank(line_[position_]) && line_[position_] != ';') ++position_;
    return line_.substr(start, position_ - start);
  }

private:
  std::string_view line_;
  std::size_t position_ = 0;
};

bool acceptedInOptionLine(const OptionSpec& spec) {
  return spec.id != OptionId::commandFile && spec.id != OptionId::forbidden;
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

void applyOptionLine(std::string_view line, OptionSettings& settings, const std::function<void()>& refuse) {
  OptionLineCursor cursor(line);
  while (!cursor.atEnd()) {
    if (!cursor.atOption()) {
      cursor.value();
      refuse();
      continue;
    }
    std::string_view text = cursor.option();
    OptionMatch match = matchOption(text);
    if (!match.spec) {
      refuse();
      continue;
    }
    std::optional<std::string> value = match.attached;
    bool needsValue = match.spec->value == ValueRule::attachedOrNext || match.spec->value == ValueRule::nextOnly;
    if (needsValue && !value) {
      if (cursor.atEnd() || cursor.atOption()) {
        refuse();
        continue;
      }
      value = std::string(cursor.value());
    }
    if (!acceptedInOptionLine(*match.spec) || OptionSettings::checkValue(*match.spec, value) != 0 ||
        settings.apply(*match.spec, value, true) != ApplyResult::applied) {
      refuse();
    }
  }
}

std::optional<PrescanResult> prescanOptionLines(const std::string& sourceName, OptionSettings& settings,
                                                const std::function<void(long)>& refuse) {
  std::FILE* file = std::fopen(withHostSeparators(sourceName).c_str(), "rb");
  if (!file) return std::nullopt;
  PrescanResult result;
  std::string pending;
  std::vector<char> block(kBlockSize);
  bool ended = false;
  auto handleLine = [&](std::string_view line) {
    PrescanLine kind = classifyPrescanLine(line);
    if (kind == PrescanLine::statement) return false;
    ++result.linesScanned;
    if (kind == PrescanLine::options) {
      long number = result.linesScanned;
      applyOptionLine(line, settings, [&] { refuse(number); });
    }
    return true;
  };
  while (!ended) {
    std::size_t count = std::fread(block.data(), 1, block.size(), file);
    if (count == 0) break;
    std::string_view data(block.data(), count);
    if (auto mark = data.find(kCtrlZ); mark != std::string_view::npos) {
      data = data.substr(0, mark);
      ended = true;
    }
    pending.append(data);
    std::size_t start = 0;
    for (std::size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1) {
      if (!handleLine(std::string_view(pending).substr(start, end - start))) {
        std::fclose(file);
        return result;
      }
      result.statementOffset += end + 1 - start;
    }
    pending.erase(0, start);
  }
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return std::nullopt;
  if (!pending.empty() && handleLine(pending)) result.statementOffset += pending.size();
  return result;
}

}  // namespace kz::assembler
