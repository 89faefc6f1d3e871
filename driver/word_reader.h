#pragma once
// Where the driver's words come from: the command line, then the options file; a command
// file's words come before the next word of whatever named it.
#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kz::driver {

// Words of a command or options file: white space separates, a double quote toggles
// quoting and is dropped, backslash-quote yields a quote, any other backslash stays.
std::vector<std::string> splitFileWords(std::string_view text);

std::optional<std::string> readTextFile(const std::string& name);

class WordReader {
 public:
  WordReader(std::vector<std::string> commandLine, std::optional<std::string> optionsFile);

  // The next word, or nothing at the end. Throws FatalError 20 (with fatalStatus) when the
  // options file cannot be read.
  std::optional<std::string> next();
  // Whether the word last returned came from a command file.
  bool lastFromCommandFile() const { return lastFromCommandFile_; }
  // Queues the words of a command file in front of everything else.
  void openCommandFile(std::vector<std::string> words);

  int fatalStatus = 255;

 private:
  std::vector<std::string> commandLine_;
  std::size_t commandLinePosition_ = 0;
  std::deque<std::string> commandFileWords_;
  std::optional<std::string> optionsFile_;
  bool optionsFileRead_ = false;
  std::vector<std::string> optionsWords_;
  std::size_t optionsPosition_ = 0;
  bool lastFromCommandFile_ = false;
};

}  // namespace kz::driver
