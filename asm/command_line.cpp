#include "asm/command_line.h"

#include <cstdio>

#include "asm/reporter.h"
#include "common/fatal_error.h"
#include "common/host_path.h"

namespace kz::assembler {
namespace {

constexpr std::size_t kCommandPool = 2048;
constexpr std::size_t kCommandWords = 2048;
constexpr char kCtrlZ = 0x1A;

bool isWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// The value of an option given in the next argument: "--" takes the argument after it
// verbatim; any other argument beginning with '-' is refused.
std::string nextArgumentValue(const std::vector<std::string>& arguments, std::size_t& index,
                              const std::string& option) {
  if (index + 1 >= arguments.size()) raiseFatal(Message::missingParameter, option);
  const std::string& next = arguments[index + 1];
  if (next == "--") {
    if (index + 2 >= arguments.size()) raiseFatal(Message::missingParameter, option);
    index += 2;
    return arguments[index];
  }
  if (!next.empty() && next[0] == '-') raiseFatal(Message::badParameterSyntax);
  ++index;
  return next;
}

std::string readWholeFile(const std::string& name) {
  std::FILE* file = std::fopen(withHostSeparators(name).c_str(), "rb");
  if (!file) raiseFatal(Message::cantOpen, name);
  std::string text;
  char buffer[16384];
  std::size_t count;
  while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, count);
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) raiseFatal(Message::cantRead, name);
  return text;
}

}  // namespace

void CommandFileWords::addText(std::string_view text, std::vector<std::string>& words) {
  std::string word;
  bool inWord = false;
  bool quoted = false;
  auto finishWord = [&] {
    if (!inWord) return;
    inWord = false;
    if (wordCount_ >= kCommandWords || poolUsed_ >= kCommandPool) return;
    std::size_t room = kCommandPool - poolUsed_ - 1;
    if (word.size() > room) word.resize(room);
    poolUsed_ += word.size() + 1;
    ++wordCount_;
    words.push_back(std::move(word));
    word.clear();
  };
  for (char c : text) {
    if (c == kCtrlZ) break;
    if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if (isWhiteSpace(c) && !quoted) {
      finishWord();
    } else {
      word += c;
      inWord = true;
    }
  }
  finishWord();
}

std::vector<std::string> expandCommandFiles(const std::vector<std::string>& arguments) {
  std::vector<std::string> expanded;
  CommandFileWords pool;
  for (std::size_t index = 0; index < arguments.size(); ++index) {
    const std::string& argument = arguments[index];
    if (argument == "--") {
      expanded.push_back(argument);
      if (index + 1 < arguments.size()) expanded.push_back(arguments[++index]);
      continue;
    }
    if (!argument.starts_with("-f")) {
      expanded.push_back(argument);
      continue;
    }
    std::string name =
        argument.size() > 2 ? argument.substr(2) : nextArgumentValue(arguments, index, argument);
    pool.addText(readWholeFile(name), expanded);
  }
  return expanded;
}

CommandLineResult parseCommandLine(const std::vector<std::string>& arguments,
                                   OptionSettings& settings) {
  CommandLineResult result;
  RunOptions& options = settings.options();
  for (std::size_t index = 0; index < arguments.size(); ++index) {
    const std::string& argument = arguments[index];
    if (argument.empty() || argument[0] != '-') {
      options.sourceFileName = argument;
      result.sourceGiven = true;
      continue;
    }
    if (argument.starts_with("--"))
      raiseFatal(result.sourceGiven ? Message::illegalFileSpecification : Message::noSourceFile);
    OptionMatch match = matchOption(argument);
    if (!match.rule)
      raiseFatal(argument.starts_with("-l") ? Message::illegalListingSubOption
                                            : Message::unrecognizedOption,
                 argument);
    const OptionRule& rule = *match.rule;
    if (rule.id == OptionId::forbidden) raiseFatal(Message::unrecognizedOption, argument);
    if (rule.id == OptionId::commandFile) raiseFatal(Message::nestedCommandFile);
    std::optional<std::string> value = match.attached;
    bool needsValue = rule.value == ValueRule::attachedOrNext || rule.value == ValueRule::nextOnly;
    if (needsValue && !value) value = nextArgumentValue(arguments, index, argument);
    if (auto problem = OptionSettings::checkValue(rule, value)) raiseFatal(*problem, argument);
    settings.apply(rule, value, false);
  }
  result.onlyVerbose =
      !result.sourceGiven && settings.given().optionCount > 0 && settings.given().onlyVerbose;
  return result;
}

}  // namespace kz::assembler
