#include "common/handover.h"

namespace kz {
namespace {

constexpr std::size_t kKhomezelEntry = 4;
constexpr std::size_t kKhomeEntry = 5;
constexpr std::size_t kTmpEntry = 6;
constexpr std::size_t kBlankEntries = 4;

std::string valueOrBlank(const std::optional<std::string>& value) { return value ? *value : " "; }

// A driver wraps a word that holds a blank in double quotes; the word itself is what lies
// between them.
std::string unquotedWord(const std::string& word) {
  bool wrapped = word.size() >= 2 && word.front() == '"' && word.back() == '"' &&
                 word.find(' ') != std::string::npos;
  return wrapped ? word.substr(1, word.size() - 2) : word;
}

}  // namespace

std::vector<std::string> buildHandoverBlock(const std::optional<std::string>& khomezel,
                                            const std::optional<std::string>& khome,
                                            const std::optional<std::string>& tmp,
                                            const std::vector<std::string>& arguments) {
  std::vector<std::string> block(kBlankEntries, " ");
  block.push_back(valueOrBlank(khomezel));
  block.push_back(valueOrBlank(khome));
  block.push_back(valueOrBlank(tmp));
  block.insert(block.end(), arguments.begin(), arguments.end());
  return block;
}

ProgramEnvironment::ProgramEnvironment(std::vector<std::string> argv,
                                       std::vector<std::string> environment)
    : environment_(std::move(environment)) {
  if (!argv.empty()) programName_ = argv[0];
  handoverMode_ = argv.size() >= 2 && argv[1] == kHandoverFlag;
  if (handoverMode_) {
    for (std::size_t i = kHandoverFirstArgument; i < environment_.size(); ++i) {
      arguments_.push_back(unquotedWord(environment_[i]));
    }
  } else if (argv.size() > 1) {
    arguments_.assign(argv.begin() + 1, argv.end());
  }
}

ProgramEnvironment ProgramEnvironment::fromProcess(int argc, char** argv, char** environ) {
  std::vector<std::string> arguments(argv, argv + argc);
  std::vector<std::string> entries;
  for (char** entry = environ; entry && *entry; ++entry) entries.emplace_back(*entry);
  return ProgramEnvironment(std::move(arguments), std::move(entries));
}

std::optional<std::string> ProgramEnvironment::blockEntry(std::size_t index) const {
  if (index >= environment_.size()) return std::nullopt;
  const std::string& entry = environment_[index];
  if (!entry.empty() && entry[0] == ' ') return std::nullopt;
  return entry;
}

std::optional<std::string> ProgramEnvironment::plainVariable(const std::string& name) const {
  for (const std::string& entry : environment_) {
    if (entry.size() > name.size() && entry.compare(0, name.size(), name) == 0 &&
        entry[name.size()] == '=') {
      return entry.substr(name.size() + 1);
    }
  }
  return std::nullopt;
}

std::optional<std::string> ProgramEnvironment::lookup(const std::string& name) const {
  if (handoverMode_) {
    bool khomeName = name.rfind("KHOME", 0) == 0;
    std::optional<std::string> value;
    if (name == "KHOME")
      value = blockEntry(kKhomeEntry);
    else if (khomeName)
      value = blockEntry(kKhomezelEntry);
    else if (name == "TMP")
      value = blockEntry(kTmpEntry);
    if (!value && khomeName) value = blockEntry(kKhomezelEntry);
    if (value) return value;
  }
  return plainVariable(name);
}

}  // namespace kz
