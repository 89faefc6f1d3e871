#include "driver/driver.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "common/cleanup.h"
#include "common/fatal_error.h"
#include "common/host_path.h"
#include "common/install_root.h"
#include "common/notice.h"

namespace kz::driver {
namespace {

bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }
bool allDigits(std::string_view text) { return std::all_of(text.begin(), text.end(), isDigit); }

std::string lowerCase(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return result;
}

// A file name given after "--" travels to the tools as "-- name"; the driver itself uses
// the name alone.
std::string withoutEscape(const std::string& argument) {
  return argument.starts_with("-- ") ? argument.substr(3) : argument;
}

bool isFile(const std::string& name) {
  return ::access(withHostSeparators(name).c_str(), F_OK) == 0;
}

// Creates "<directory>/<two letters><six characters>" atomically. The suffix counts up from
// 000000 so that a run in an empty directory names its temporaries the same way every time.
std::optional<std::string> createUniqueFile(const std::string& directory,
                                            std::string_view templateText) {
  std::string stem = withHostSeparators(templateText);
  while (!stem.empty() && stem.front() == '/') stem.erase(0, 1);
  stem = stem.substr(0, stem.find('X'));
  for (int serial = 0; serial < 1000000; ++serial) {
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, "%06d", serial);
    std::string name = directory + "/" + stem + suffix;
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd >= 0) {
      ::close(fd);
      return name;
    }
    if (errno != EEXIST) return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace

Driver::Driver(const DriverConfig& config, ProgramEnvironment environment, ToolRunner& runner,
               std::ostream& out, std::ostream& err)
    : config_(config),
      environment_(std::move(environment)),
      runner_(runner),
      out_(out),
      err_(err),
      toolArguments_(config.tools.size()),
      includeLists_(config.tools.size()) {}

Driver::~Driver() { removeTemporaries(); }

int Driver::run() {
  try {
    int status = runSteps();
    removeTemporaries();
    out_.flush();
    return status;
  } catch (const FatalError& error) {
    out_.flush();
    if (error.exitStatus() == kSecondExecFailureStatus &&
        error.number() == messageNumber(Message::cantExecute)) {
      err_ << config_.fatalPrefix << messageNumber(Message::cantExecute) << ": cannot execute \""
           << error.argument() << "\"\n";
    } else {
      err_ << config_.fatalPrefix << formatMessage(error.number(), {error.argument()}) << '\n';
    }
    err_.flush();
    removeTemporaries();
    return error.exitStatus();
  }
}

int Driver::runSteps() {
  locateRoot();
  const std::vector<std::string>& arguments = environment_.arguments();
  if (arguments.empty()) {
    printBanner(false);
    std::string helpName = configurationDirectory_ + std::string(config_.helpFile);
    auto help = readTextFile(helpName);
    if (!help) fatal(Message::cantOpen, helpName);
    out_ << *help;
    return 0;
  }
  locateTools();
  createTemporaries();
  for (std::size_t tool = 0; tool < config_.tools.size(); ++tool) {
    if (config_.tools[tool].receivesProcessorOption)
      toolArguments_[tool].emplace_back(config_.processorOption);
  }
  for (int tool : config_.currentDirectoryIncludeTools) {
    includeLists_.at(tool).insert(includeLists_[tool].end(), {"-I", "."});
  }
  for (const SetupWord& setup : config_.setupWords)
    toolArguments_.at(setup.tool).emplace_back(setup.word);
  if (config_.rootLibraryDirectories) addRootLibraryDirectories();
  onlyVersion_ = arguments.size() == 1 && arguments[0] == "-V";
  readAllWords(arguments);
  addRuntimeLibraries();
  addDefaultWords();
  if (version_ || !quiet_) printBanner(version_);
  checkSettings();
  if (sources_.empty()) return 0;  // a bare -V
  return runPipeline();
}

void Driver::locateRoot() {
  root_ = ".";
  for (const std::string& candidate : installRootCandidates(environment_)) {
    if (isFile(candidate + "/etc/" + std::string(config_.environmentFile))) {
      root_ = candidate;
      break;
    }
  }
  configurationDirectory_ = root_ + "/etc/";
}

void Driver::printBanner(bool withVersion) {
  std::string name = configurationDirectory_ + std::string(config_.environmentFile);
  auto text = readTextFile(name);
  if (!text) fatal(Message::cantOpen, name);
  std::string firstLine = text->substr(0, text->find('\n'));
  if (!firstLine.empty() && firstLine.back() == '\r') firstLine.pop_back();
  out_ << config_.title << "  " << firstLine << '\n';
  if (withVersion) out_ << config_.versionLine << '\n';
  out_ << kCopyrightNotice << "\n\n";
}

// A tool starts from <KHOMEZEL>/bin or <KHOME>/bin when it is there, else from the
// directory of the driver's own program, else from the current directory.
void Driver::locateTools() {
  std::vector<std::string> directories;
  for (const char* variable : {"KHOMEZEL", "KHOME"}) {
    auto value = environment_.lookup(variable);
    if (value && !value->empty())
      directories.push_back(withHostSeparators(withoutTrailingSeparator(*value)) + "/bin/");
  }
  if (auto above = rootAboveExecutable()) directories.push_back(*above + "/bin/");
  for (const ToolRule& tool : config_.tools) {
    std::string path = "./" + std::string(tool.name);
    for (const std::string& directory : directories) {
      std::string candidate = directory + std::string(tool.name);
      if (::access(candidate.c_str(), X_OK) == 0) {
        path = candidate;
        break;
      }
    }
    toolPaths_.push_back(path);
  }
}

// <root>/lib of KHOMEZEL and of KHOME; with neither set, of the root above the driver's program.
void Driver::addRootLibraryDirectories() {
  std::vector<std::string> roots;
  for (const char* variable : {"KHOMEZEL", "KHOME"}) {
    auto value = environment_.lookup(variable);
    if (value && !value->empty())
      roots.push_back(withHostSeparators(withoutTrailingSeparator(*value)));
  }
  if (roots.empty()) {
    if (auto above = rootAboveExecutable()) roots.push_back(*above);
  }
  auto& words = toolArguments_.at(config_.linkerTool);
  for (const std::string& root : roots) words.insert(words.end(), {"-L", root + "/lib"});
}

void Driver::addRuntimeLibraries() {
  for (const RuntimeLibrary& library : config_.runtimeLibraries) {
    bool sourceGiven = std::any_of(sources_.begin(), sources_.end(), [&](const SourceFile& s) {
      return s.kind == library.sourceKind;
    });
    bool choiceMade = library.codeChoice == 0 ||
                      (codeChoices_ && codeChoices_->find(library.codeChoice) != std::string::npos);
    auto& words = toolArguments_.at(config_.linkerTool);
    bool added = std::find(words.begin(), words.end(), library.name) != words.end();
    if (sourceGiven && choiceMade && !added) words.emplace_back(library.name);
  }
}

void Driver::addDefaultWords() {
  for (const DefaultWord& word : config_.defaultWords) {
    bool suppressed = std::any_of(word.suppressedBy.begin(), word.suppressedBy.end(),
                                  [&](std::uint8_t id) { return optionSet_.test(id); });
    if (!suppressed) toolArguments_.at(word.tool).emplace_back(word.word);
  }
}

void Driver::createTemporaries() {
  auto tmp = environment_.lookup("TMP");
  workDirectory_ = tmp && !tmp->empty() ? withHostSeparators(withoutTrailingSeparator(*tmp)) : ".";
  if (workDirectory_.empty()) workDirectory_ = "/";
  for (std::string_view templateText :
       {config_.keptTemplate, config_.keptTemplate, config_.scratchTemplate}) {
    std::optional<std::string> name;
    {
      cleanup::SignalsHeld held;  // an interrupt must not find the file made but not registered
      name = createUniqueFile(workDirectory_, templateText);
      if (name) cleanup::registerFile(*name);
    }
    if (!name)
      fatal(Message::cantOpen,
            workDirectory_ + "/" +
                std::string(templateText.substr(templateText.find_first_not_of("\\/"))));
    temporaryNames_.push_back(*name);
  }
}

// The first two names are of the first template, which -z$ keeps.
void Driver::removeTemporaries() {
  for (std::size_t index = 0; index < temporaryNames_.size(); ++index) {
    const std::string& name = temporaryNames_[index];
    if (!keepTemporaries_ || index + 1 == temporaryNames_.size()) ::unlink(name.c_str());
    cleanup::unregisterFile(name);
  }
  temporaryNames_.clear();
}

void Driver::readAllWords(std::vector<std::string> commandLine) {
  std::optional<std::string> optionsFile;
  if (auto value = environment_.lookup(std::string(config_.optionsVariable));
      value && !value->empty()) {
    optionsFile = *value;
  }
  reader_.emplace(std::move(commandLine), std::move(optionsFile));
  while (auto word = reader_->next()) processWord(*word);
}

void Driver::processWord(const std::string& word) {
  if (word.starts_with("=") || word.starts_with(",")) fatal(Message::missingParameter, word);
  if (word.size() >= 2 && word[0] == '-') {
    processOption(word);
  } else {
    addSource(word);
  }
}

void Driver::processOption(const std::string& word) {
  bool upper = std::isupper(static_cast<unsigned char>(word[1])) != 0;
  std::span<const OptionEntry> table = upper ? config_.upperOptions : config_.otherOptions;
  std::string_view text = std::string_view(word).substr(1);
  const OptionEntry* match = nullptr;
  for (const OptionEntry& entry : table) {
    std::string_view letters = optionLettersOf(entry.rule);
    bool matches = argumentKindOf(entry.rule) == ArgumentKind::none ? text == letters
                                                                    : text.starts_with(letters);
    if (matches) {
      match = &entry;
      break;
    }
  }
  if (!match) fatal(Message::unrecognizedOption, word);
  std::string argument =
      takeArgument(*match, word, std::string(text.substr(optionLettersOf(match->rule).size())));
  if (match->action == OptionAction::ignored || excludedByEarlier(*match)) {
    warning(formatMessage(Message::ignoredOption, {word}));
    return;
  }
  optionSet_.set(match->id);
  if (match->action == OptionAction::macroCharacter && argument.size() > 1) {
    warning(formatMessage(Message::tooManyModelCharacters, {}));
    argument.resize(1);
  }
  if (match->action == OptionAction::defaultedDigit && argument.empty()) argument = "1";
  forward(*match, argument);
  if (match->mask & kDriverAction) act(*match, word, argument);
}

bool Driver::excludedByEarlier(const OptionEntry& entry) const {
  return std::any_of(config_.exclusiveOptions.begin(), config_.exclusiveOptions.end(),
                     [&](const ExclusivePair& pair) {
                       return (entry.id == pair.first && optionSet_.test(pair.second)) ||
                              (entry.id == pair.second && optionSet_.test(pair.first));
                     });
}

std::string Driver::takeArgument(const OptionEntry& entry, const std::string& word,
                                 std::string attached) {
  ArgumentKind kind = argumentKindOf(entry.rule);
  if (kind == ArgumentKind::none || kind == ArgumentKind::optionalAttached) return attached;
  std::string argument = std::move(attached);
  if (argument.empty()) {
    auto next = reader_->next();
    if (!next) fatal(Message::missingParameter, word);
    if (kind == ArgumentKind::requiredEscaped && *next == "--") {
      auto escaped = reader_->next();
      if (!escaped) fatal(Message::missingParameter, word);
      argument = "-- " + *escaped;
    } else {
      if (next->starts_with("-")) fatal(Message::missingParameter, word);
      argument = *next;
    }
  }
  if (kind == ArgumentKind::digits && !allDigits(argument)) {
    fatal(Message::characterNotAllowed, std::string(optionLettersOf(entry.rule)) + argument);
  }
  return argument;
}

void Driver::forward(const OptionEntry& entry, const std::string& argument) {
  std::string option = "-" + std::string(optionLettersOf(entry.rule));
  if (entry.action == OptionAction::listing && !argument.empty())
    return;  // a listing name stays here
  bool separate = (entry.mask & kSeparateArgument) && !argument.empty();
  for (std::size_t tool = 0; tool < config_.tools.size(); ++tool) {
    if (!(entry.mask & toolBit(static_cast<int>(tool)))) continue;
    auto& words =
        entry.action == OptionAction::includeDirectory ? includeLists_[tool] : toolArguments_[tool];
    if (separate) {
      words.push_back(option);
      words.push_back(argument);
    } else {
      words.push_back(option + argument);
    }
  }
}

void Driver::act(const OptionEntry& entry, const std::string& word, std::string& argument) {
  std::string optionText = std::string(optionLettersOf(entry.rule));
  switch (entry.action) {
    case OptionAction::none:
    case OptionAction::ignored:
    case OptionAction::macroCharacter:
    case OptionAction::includeDirectory:
      break;
    case OptionAction::commandFile: {
      if (reader_->lastFromCommandFile()) fatal(Message::nestedCommandFile);
      std::string name = withoutEscape(argument);
      auto text = readTextFile(name);
      if (!text) fatal(Message::cantOpen, name);
      reader_->openCommandFile(splitFileWords(*text));
      break;
    }
    case OptionAction::messageFile: {
      std::string name = withoutEscape(argument);
      std::FILE* file = std::fopen(withHostSeparators(name).c_str(), "w");
      if (!file) fatal(Message::cantOpen, name);
      std::fclose(file);
      break;
    }
    case OptionAction::outputFile:
      outputName_ = withoutEscape(argument);
      break;
    case OptionAction::relocatable:
      relocatable_ = explicitRelocatable_ = true;
      break;
    case OptionAction::passToTool:
      passToTool(word, argument);
      break;
    case OptionAction::toolDirectory:
      setToolDirectory(word, argument);
      break;
    case OptionAction::version:
      version_ = true;
      break;
    case OptionAction::printOnly:
      printOnly_ = true;
      break;
    case OptionAction::quiet:
      quiet_ = true;
      break;
    case OptionAction::warningLevel:
      if (argument.size() > 1 || !allDigits(argument))
        fatal(Message::characterNotAllowed, optionText + argument);
      if (argument == "0") warningsOff_ = true;
      break;
    case OptionAction::optionalDigits:
      if (!allDigits(argument)) fatal(Message::characterNotAllowed, optionText + argument);
      break;
    case OptionAction::stopBeforeAssembly:
      stopBeforeAssembly_ = true;
      break;
    case OptionAction::noLink:
      noLink_ = true;
      break;
    case OptionAction::alternateImage:
      alternateImage_ = true;
      break;
    case OptionAction::debugInformation:
      toolArguments_.at(config_.compilerTool).push_back("-g");
      [[fallthrough]];
    case OptionAction::debugAssembler:
      if (!assemblerDebugPassed_) toolArguments_.at(config_.assemblerTool).push_back("-g");
      assemblerDebugPassed_ = true;
      break;
    case OptionAction::nameValue:
      if (argument.ends_with("=")) fatal(Message::invalidSubargument, "-" + optionText + argument);
      break;
    case OptionAction::formatName:
      if (!std::all_of(argument.begin(), argument.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; })) {
        fatal(Message::invalidArgument, "-" + optionText + argument);
      }
      break;
    case OptionAction::listing:
      listing_ = true;
      if (!argument.empty()) listingName_ = argument;
      break;
    case OptionAction::mapRequest:
      mapRequested_ = true;
      break;
    case OptionAction::codeChoices:
      if (argument != "0" &&
          argument.find_first_not_of(config_.codeChoiceLetters) != std::string::npos)
        fatal(Message::characterNotAllowed, optionText + argument);
      if (!codeChoices_) codeChoices_ = argument;
      break;
    case OptionAction::compilerWarnings:
      if (argument.find_first_not_of("0123456789r") != std::string::npos)
        fatal(Message::characterNotAllowed, optionText + argument);
      if (argument.empty() || argument == "0") {
        warningsOff_ = true;
        toolArguments_.at(config_.linkerTool).push_back("-w0");
      }
      break;
    case OptionAction::defaultedDigit:
      if (argument.size() != 1 || !allDigits(argument))
        fatal(Message::characterNotAllowed, optionText + argument);
      break;
    case OptionAction::keepAssembly:
      keepAssembly_ = true;
      break;
    case OptionAction::keepTemporaries:
      keepTemporaries_ = true;
      break;
    case OptionAction::fixedWord:
    case OptionAction::optimisationLevel:
    case OptionAction::sectionName:
    case OptionAction::memorySize:
    case OptionAction::builtinFileName:
    case OptionAction::frontEndWarnings:
    case OptionAction::predefinedOrSymbol:
      makeOptionWords(entry, argument);
      break;
  }
}

// -W n,arg,...: every argument goes to tool n's list.
void Driver::passToTool(const std::string& word, const std::string& value) {
  std::string shown = word.size() > 2 ? word : word + value;
  std::size_t comma = value.find(',');
  if (comma == std::string::npos || comma == 0 || !allDigits(value.substr(0, comma)))
    fatal(Message::invalidSubargument, shown);
  int tool = std::stoi(value.substr(0, comma).substr(0, 3));
  if (tool > config_.highestPassToolNumber) fatal(Message::invalidSubargument, shown);
  std::vector<std::string> pieces;
  std::size_t start = comma + 1;
  while (true) {
    std::size_t end = value.find(',', start);
    std::string piece =
        value.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (piece.empty()) fatal(Message::invalidSubargument, shown);
    pieces.push_back(piece);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  // Numbers past the last tool are accepted and reach no tool.
  if (static_cast<std::size_t>(tool) < toolArguments_.size()) {
    toolArguments_[tool].insert(toolArguments_[tool].end(), pieces.begin(), pieces.end());
  }
}

// -Y n,dir: tool n starts from dir.
void Driver::setToolDirectory(const std::string& word, const std::string& value) {
  std::string shown = word.size() > 2 ? word : word + value;
  std::size_t comma = value.find(',');
  if (comma == std::string::npos || comma == 0 || comma + 1 >= value.size() ||
      !allDigits(value.substr(0, comma))) {
    fatal(Message::invalidSubargument, shown);
  }
  std::size_t tool = std::stoul(value.substr(0, comma).substr(0, 3));
  if (tool >= config_.tools.size()) fatal(Message::invalidSubargument, shown);
  std::string directory = value.substr(comma + 1);
  if (!hasDriveName(directory)) directory = withHostSeparators(directory);
  if (!isSeparator(directory.back())) directory += '/';
  toolPaths_[tool] = directory + std::string(config_.tools[tool].name);
}

void Driver::addSource(const std::string& word) {
  if (word.empty() || word.find_first_of("*?") != std::string::npos) return;
  std::string suffix = lowerCase(extensionOf(word));
  const SuffixRule* rule = nullptr;
  for (const SuffixRule& candidate : config_.suffixes) {
    if (candidate.suffix.empty() || candidate.suffix == suffix) {
      rule = &candidate;
      break;
    }
  }
  if (!rule) return;
  if (!rule->warning.empty()) {
    warning(formatMessage(Message::unknownSuffix, {word, rule->warning}));
  }
  sources_.push_back({word, rule->kind});
  if (rule->kind == SourceKind::linkCommandFile) relocatable_ = true;
  if (isLinkedKind(rule->kind)) toolArguments_.at(config_.linkerTool).push_back(word);
}

void Driver::checkSettings() {
  if (explicitRelocatable_ && !outputName_) fatal(Message::relocatableNeedsOutput);
  if (compiledSourceCount() > 1 && !linkEnabled()) {
    if (outputName_) fatal(Message::unrecognizedOption, "o");
    if (listingName_) fatal(Message::unrecognizedOption, std::string(config_.listingOptionName));
  }
  if (sources_.empty() && !onlyVersion_) fatal(Message::noSourceFile);
  for (const SourceFile& source : sources_) {
    if (outputName_ && sameFile(source.name, *outputName_))
      fatal(Message::filesAreTheSame, source.name);
    if (listingName_ && sameFile(source.name, *listingName_))
      fatal(Message::filesAreTheSame, source.name);
  }
  checkOutputSuffix();
}

// The -o name has to fit the last stage that runs.
void Driver::checkOutputSuffix() {
  if (!outputName_) return;
  std::string suffix = lowerCase(extensionOf(*outputName_));
  bool fits = false;
  if (!linkEnabled()) {
    fits = suffix == (stopBeforeAssembly_ ? "asm" : "rel");
  } else if (relocatable_) {
    fits = suffix == "rel";
  } else {
    fits = suffix.empty() || "." + suffix == config_.imageSuffix ||
           (alternateImage_ && "." + suffix == config_.alternateImageSuffix);
  }
  if (!fits) warning(formatMessage(Message::suffixNotFitForOutput, {*outputName_}));
}

void Driver::fatal(Message message, const std::string& argument) const {
  throw FatalError(messageNumber(message), argument, kFatalStatus);
}

void Driver::warning(const std::string& text) {
  if (warningsOff_) return;
  err_ << config_.warningPrefix << text << '\n';
}

bool Driver::isCompiledKind(SourceKind kind) const {
  return std::any_of(config_.stages.begin(), config_.stages.end(),
                     [&](const StageRule& stage) { return stage.entryKind == kind; });
}

bool Driver::isLinkedKind(SourceKind kind) const {
  return !isCompiledKind(kind) && kind != SourceKind::builtinFile;
}

int Driver::compiledSourceCount() const {
  return static_cast<int>(std::count_if(sources_.begin(), sources_.end(), [&](const SourceFile& s) {
    return isCompiledKind(s.kind);
  }));
}

bool Driver::linkEnabled() const { return !stopBeforeAssembly_ && !noLink_ && !frontEndOnly(); }

bool Driver::frontEndOnly() const {
  return std::any_of(config_.frontEndOnlyOptions.begin(), config_.frontEndOnlyOptions.end(),
                     [&](std::uint8_t id) { return optionSet_.test(id); });
}

bool Driver::stageEnabled(const StageRule& stage) const {
  return !(stopBeforeAssembly_ && stage.tool == config_.assemblerTool);
}

std::string Driver::baseNameOf(const std::string& source) const {
  return std::string(stemOf(source));
}

}  // namespace kz::driver
