#pragma once
// The option scan of zc1: words matched against the option table in order, each acted on
// at once; errors are reported and the scan goes on.
#include <string>
#include <string_view>
#include <vector>

#include "cfront/diagnostics.h"
#include "cfront/option_table.h"
#include "cfront/settings.h"

namespace kz::cfront {

// What options do beyond the settings: the macro table, the error file, the banner.
class OptionActions {
 public:
  virtual ~OptionActions() = default;
  virtual void defineMacro(std::string_view text) = 0;
  virtual void undefineMacro(std::string_view name) = 0;
  virtual void undefinePredefined() = 0;
  virtual void openErrorFile(const std::string& name) = 0;
  virtual void printBanner() = 0;
  // A line of text on standard error (the notes of the debugging switches).
  virtual void printNote(std::string_view text) = 0;
};

// The option words of a command line as the version record shows them: every word except
// the file names, the next-word arguments of options included, joined by single blanks.
std::string optionTextOf(const std::vector<std::string>& words);

class OptionScanner {
 public:
  OptionScanner(RunOptions& options, Diagnostics& diagnostics, OptionActions& actions);

  void scan(const std::vector<std::string>& words);

 private:
  void takePositional(const std::string& word);
  void takeOption(const std::vector<std::string>& words, std::size_t& index);
  void apply(const OptionRow& row, const std::string& word, std::string_view argument,
             bool hasArgument);
  void setPreprocessMode(char mode, const std::string& word);
  void setWarnLevel(const std::string& word, std::string_view argument);
  void setDebug(const std::string& word, std::string_view argument);
  void setPacking(const std::string& word, std::string_view argument);
  void addIncludeDir(std::string_view directory);
  void defaultSize(const std::string& word, std::string_view argument);
  void sectionName(const std::string& word, std::string_view argument);
  void displacementSize(const std::string& word, std::string_view argument);
  void pointerSize(const std::string& word, std::string_view argument);

  RunOptions& options_;
  Diagnostics& diagnostics_;
  OptionActions& actions_;
  int defines_ = 0;
  int undefines_ = 0;
  bool includeLimitReported_ = false;
  bool inputGiven_ = false;
};

// A decimal number with an optional leading '-', all of the text; false otherwise.
bool parseOptionNumber(std::string_view text, long& value);

}  // namespace kz::cfront
