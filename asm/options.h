#pragma once
// Applying options to the run's settings, from the command line (with command files) and
// from the option lines at the top of the source. Repeated settings keep their first value.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "asm/messages.h"
#include "asm/option_table.h"
#include "asm/run_options.h"

namespace kz::assembler {

// Which settings have been given, so that later options for them are ignored.
struct GivenSettings {
  bool errorFile = false, objectFile = false, listingFile = false, messageName = false;
  bool pageLength = false, lineWidth = false, debug = false, optimize = false, warnings = false;
  bool listingKindLetter = false;  // s or x decided the kind
  bool plainListing = false;       // a plain -l was taken
  bool fillAll = false, fillCode = false, fillData = false, fillRomData = false;
  std::array<bool, kOptionIdCount> flags{};  // the plain flags, indexed by OptionId
  int optionCount = 0;
  bool onlyVerbose = true;
};

// The result of applying one option.
enum class ApplyResult {
  applied,
  alreadyFixed,  // the setting was given before: ignored (command line) or warning 515
  ignoredWith519,
};

class OptionSettings {
 public:
  explicit OptionSettings(RunOptions& options) : options_(options) {}

  // Validates the value against the option's rule; returns 0 or the fatal number
  // (105, 107, 109) that the command line reports for it.
  static std::optional<Message> checkValue(const OptionRule& rule,
                                           const std::optional<std::string>& value);

  // Applies a validated option. fromOptionLine selects the option-line rules (a fixed
  // setting is reported instead of silently ignored). For ignoredWith519 the option to
  // name is stored in ignoredOptions().
  ApplyResult apply(const OptionRule& rule, const std::optional<std::string>& value,
                    bool fromOptionLine);

  const std::vector<std::string>& ignoredOptions() const { return ignored_; }
  const GivenSettings& given() const { return given_; }
  RunOptions& options() { return options_; }

 private:
  ApplyResult applyListing(const OptionRule& rule, const std::optional<std::string>& value,
                           bool fromOptionLine);
  ApplyResult applyFill(const OptionRule& rule, const std::optional<std::string>& value,
                        bool fromOptionLine);
  ApplyResult applyFlag(OptionId id, bool fromOptionLine);
  bool listingIsFixed(const OptionRule& rule) const;

  RunOptions& options_;
  GivenSettings given_;
  std::vector<std::string> ignored_;
};

// Makes an include directory absolute with '/' separators and a trailing '/'; a drive name
// keeps its form.
std::string normalizeIncludeDir(const std::string& directory);

}  // namespace kz::assembler
