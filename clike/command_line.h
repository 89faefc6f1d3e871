#pragma once
// The command line of clzel: the argument words joined into one text, argument files
// inserted in place, then read option by option into the run's settings.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "clike/settings.h"

namespace kz::clike {

// Joins argument words with blanks; a word holding a blank or tab is put in double quotes so
// that it stays one word when the text is read again.
std::string joinArgumentWords(const std::vector<std::string>& words);

class CommandLine {
 public:
  // Receives the option word of every repeated option (warning 500).
  using RepeatSink = std::function<void(std::string_view optionWord)>;

  CommandLine(RunSettings& settings, RepeatSink repeated);

  // Reads the text. Throws kz::FatalError for a malformed option (101, 103, 105, 106, 109,
  // 110, 111) and for an argument file that cannot be read (20). settings.commandText
  // receives the text with argument files inserted.
  void read(std::string text);

 private:
  void readOption();
  void readSourceName();
  void endOfOption();
  void repeated();
  // Returns false (after warning 500) when the setting was given before.
  bool firstTime(std::uint8_t setting);
  std::string fileWord();
  std::string macroName();
  long decimal();
  void readDefine();
  void readUndefine();
  void readIncludeDir();
  void readOptimize();
  void readWarnings();
  void readListing();
  void readReduce();
  void readArgumentFile();
  [[noreturn]] void fail(int number) const;
  std::string optionWord() const;
  bool atEnd() const { return at_ >= text_.size(); }
  char peek() const { return atEnd() ? '\0' : text_[at_]; }
  bool atOptionEnd() const;
  void skipBlanks();

  RunSettings& settings_;
  RepeatSink repeated_;
  std::string text_;
  std::size_t at_ = 0;
  std::size_t optionStart_ = 0;
  std::size_t insertedEnd_ = 0;  // the inserted argument file ends here
};

}  // namespace kz::clike
