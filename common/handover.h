#pragma once
// The "-z@" hand-over block. A driver starts a tool with the arguments {name, "-z@"} and
// this block as the complete environment: four entries of one blank, the values of
// KHOMEZEL, KHOME and TMP (one blank when unset), then the argument words.
#include <optional>
#include <string>
#include <vector>

namespace kz {

inline constexpr const char* kHandoverFlag = "-z@";
inline constexpr std::size_t kHandoverFirstArgument = 7;  // zero-based: the eighth entry

std::vector<std::string> buildHandoverBlock(const std::optional<std::string>& khomezel,
                                            const std::optional<std::string>& khome,
                                            const std::optional<std::string>& tmp,
                                            const std::vector<std::string>& arguments);

// What a program sees of its start: the argument vector (rebuilt from the block in
// hand-over mode) and environment lookups that follow the hand-over rules.
class ProgramEnvironment {
 public:
  // argv[0] is the program name; environment is the raw block ("NAME=value" entries, or
  // the hand-over entries). A hand-over word that holds a blank and is wrapped in double
  // quotes, as the drivers write such words, is taken without its quotes.
  ProgramEnvironment(std::vector<std::string> argv, std::vector<std::string> environment);
  static ProgramEnvironment fromProcess(int argc, char** argv, char** environ);

  bool handoverMode() const { return handoverMode_; }
  const std::vector<std::string>& arguments() const { return arguments_; }  // without argv[0]
  const std::string& programName() const { return programName_; }

  // In hand-over mode: KHOME takes the sixth entry, other names beginning with KHOME the
  // fifth, TMP the seventh; an entry beginning with a blank counts as not given and the
  // lookup falls back to the fifth entry (KHOME names), then to a "NAME=value" entry.
  std::optional<std::string> lookup(const std::string& name) const;

 private:
  std::optional<std::string> blockEntry(std::size_t index) const;
  std::optional<std::string> plainVariable(const std::string& name) const;

  std::string programName_;
  std::vector<std::string> arguments_;
  std::vector<std::string> environment_;
  bool handoverMode_ = false;
};

}  // namespace kz
