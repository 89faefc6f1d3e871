// Options whose words for the tools the driver makes from the argument instead of forwarding
// the option as it was given.
#include <algorithm>
#include <array>
#include <cctype>

#include "common/host_path.h"
#include "driver/driver.h"

namespace kz::driver {
namespace {

constexpr std::array<std::string_view, 4> kMemorySizes = {"tiny", "near", "far", "compact"};
constexpr std::array<std::string_view, 5> kSectionModels = {"tiny", "near", "far", "bank", "local"};

template <std::size_t N>
bool isOneOf(const std::array<std::string_view, N>& words, std::string_view word) {
  return std::find(words.begin(), words.end(), word) != words.end();
}

bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

std::string lowerCase(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return result;
}

// "-Za" becomes "-ZA": the option that sets the section's model.
std::string modelOption(std::string option) {
  option.back() = static_cast<char>(std::toupper(static_cast<unsigned char>(option.back())));
  return option;
}

}  // namespace

void Driver::sendToTools(std::uint16_t tools, std::initializer_list<std::string> words) {
  for (std::size_t tool = 0; tool < toolArguments_.size(); ++tool) {
    if (tools & toolBit(static_cast<int>(tool)))
      toolArguments_[tool].insert(toolArguments_[tool].end(), words);
  }
}

void Driver::makeOptionWords(const OptionEntry& entry, const std::string& argument) {
  std::string option = "-" + std::string(optionLettersOf(entry.rule));
  switch (entry.action) {
    case OptionAction::fixedWord:
      sendToTools(entry.actionTools, {std::string(entry.actionWord)});
      break;
    case OptionAction::optimisationLevel:
      if (!std::all_of(argument.begin(), argument.end(), isDigit))
        fatal(Message::characterNotAllowed, option.substr(1) + argument);
      if (argument.empty()) {
        sendToTools(entry.actionTools, {option + "0"});
      } else {
        sendToTools(entry.actionTools, {argument.front() == '3' ? option : option + argument});
      }
      break;
    case OptionAction::sectionName: {
      std::size_t comma = argument.find(',');
      std::string name = argument.substr(0, comma);
      if (name.empty()) fatal(Message::invalidSubargument, option + argument);
      if (comma == std::string::npos) {
        sendToTools(entry.actionTools, {option, name});
        break;
      }
      std::string model = argument.substr(comma + 1);
      if (model.empty()) fatal(Message::invalidSubargument, option + argument);
      if (!isOneOf(kSectionModels, model)) fatal(Message::invalidArgument, option + argument);
      sendToTools(entry.actionTools, {modelOption(option), model, option, name});
      break;
    }
    case OptionAction::memorySize:
      if (!isOneOf(kMemorySizes, argument)) fatal(Message::invalidArgument, option + argument);
      break;
    case OptionAction::builtinFileName: {
      std::string name = argument.starts_with("-- ") ? argument.substr(3) : argument;
      if (lowerCase(extensionOf(name)) != "blt")
        warning(formatMessage(Message::unknownSuffix, {name, "a 'bilt-in'"}));
      break;
    }
    case OptionAction::frontEndWarnings:
      if (argument.size() > 1 || !std::all_of(argument.begin(), argument.end(), isDigit))
        fatal(Message::characterNotAllowed, option.substr(1) + argument);
      if (argument.empty() || argument == "0") warningsOff_ = true;
      break;
    case OptionAction::predefinedOrSymbol:
      if (argument.empty()) {
        toolArguments_.at(config_.compilerTool).push_back(option);
      } else {
        toolArguments_.at(config_.linkerTool).push_back(option + argument);
      }
      break;
    default:
      break;
  }
}

}  // namespace kz::driver
