#include "driver/word_reader.h"

#include <fstream>
#include <sstream>

#include "common/fatal_error.h"
#include "common/host_path.h"
#include "driver/messages.h"

namespace kz::driver {
namespace {

bool isWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

}  // namespace

std::vector<std::string> splitFileWords(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\\' && i + 1 < text.size() && text[i + 1] == '"') {
      word += '"';
      inWord = true;
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if (isWhiteSpace(c) && !quoted) {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(std::move(word));
  return words;
}

std::optional<std::string> readTextFile(const std::string& name) {
  std::ifstream in(withHostSeparators(name), std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

WordReader::WordReader(std::vector<std::string> commandLine, std::optional<std::string> optionsFile)
    : commandLine_(std::move(commandLine)), optionsFile_(std::move(optionsFile)) {}

void WordReader::openCommandFile(std::vector<std::string> words) {
  commandFileWords_.insert(commandFileWords_.begin(), words.begin(), words.end());
}

std::optional<std::string> WordReader::next() {
  lastFromCommandFile_ = false;
  if (!commandFileWords_.empty()) {
    std::string word = std::move(commandFileWords_.front());
    commandFileWords_.pop_front();
    lastFromCommandFile_ = true;
    return word;
  }
  if (commandLinePosition_ < commandLine_.size()) return commandLine_[commandLinePosition_++];
  if (optionsFile_ && !optionsFileRead_) {
    optionsFileRead_ = true;
    auto text = readTextFile(*optionsFile_);
    if (!text) throw FatalError(messageNumber(Message::cantOpen), *optionsFile_, fatalStatus);
    optionsWords_ = splitFileWords(*text);
  }
  if (optionsPosition_ < optionsWords_.size()) return optionsWords_[optionsPosition_++];
  return std::nullopt;
}

}  // namespace kz::driver
