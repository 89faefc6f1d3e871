#pragma once
// The assembler's command line: command files spliced in, options applied, the source
// file named.
#include <string>
#include <vector>

#include "asm/options.h"

namespace kz::assembler {

// Replaces every -f argument (and its value) by the words of the named file, in place.
// Fatal 20 when a command file cannot be opened, 105/106 for a bad or missing name.
std::vector<std::string> expandCommandFiles(const std::vector<std::string>& arguments);

// Splits command-file text into words: white space separates, a double quote toggles
// quoting, Ctrl-Z ends the text. All words of one run share a pool of 2048 characters
// (each word counts its length plus one) and at most 2048 words; text beyond is dropped.
class CommandFileWords {
 public:
  void addText(std::string_view text, std::vector<std::string>& words);

 private:
  std::size_t poolUsed_ = 0;
  std::size_t wordCount_ = 0;
};

struct CommandLineResult {
  bool sourceGiven = false;
  bool onlyVerbose = false;  // no source and every option was -V
};

// Applies the expanded arguments to settings. Throws kz::FatalError for 100-111.
CommandLineResult parseCommandLine(const std::vector<std::string>& arguments,
                                   OptionSettings& settings);

}  // namespace kz::assembler
