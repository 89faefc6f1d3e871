#pragma once
// One driver run: start-up, reading and sorting the words, the compile stages per source,
// the link, and cleanup. All per-run state lives here; the configuration is constant data.
#include <array>
#include <initializer_list>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "common/handover.h"
#include "driver/config.h"
#include "driver/messages.h"
#include "driver/tool_runner.h"
#include "driver/word_reader.h"

namespace kz::driver {

inline constexpr int kFatalStatus = 255;  // -1 on this host
inline constexpr int kSecondExecFailureStatus = 3;
inline constexpr int kToolFailedStatus = 1;

struct SourceFile {
  std::string name;  // as the user gave it
  SourceKind kind;
};

class Driver {
 public:
  Driver(const DriverConfig& config, ProgramEnvironment environment, ToolRunner& runner,
         std::ostream& out, std::ostream& err);
  ~Driver();
  Driver(const Driver&) = delete;
  Driver& operator=(const Driver&) = delete;

  // The whole run; returns the exit status. Temporary files are gone when it returns.
  int run();

  // Inspection for tests.
  const OptionSet& optionSet() const { return optionSet_; }
  const std::vector<std::string>& toolArguments(int tool) const { return toolArguments_.at(tool); }
  const std::vector<SourceFile>& sources() const { return sources_; }
  const std::vector<std::string>& temporaryNames() const { return temporaryNames_; }

 private:
  int runSteps();
  void locateRoot();
  void printBanner(bool withVersion);
  void locateTools();
  void createTemporaries();
  void readAllWords(std::vector<std::string> commandLine);
  void processWord(const std::string& word);
  void processOption(const std::string& word);
  void addSource(const std::string& word);
  std::string takeArgument(const OptionEntry& entry, const std::string& word, std::string attached);
  void forward(const OptionEntry& entry, const std::string& argument);
  void act(const OptionEntry& entry, const std::string& word, std::string& argument);
  void passToTool(const std::string& word, const std::string& value);
  void setToolDirectory(const std::string& word, const std::string& value);
  void checkSettings();
  void checkOutputSuffix();
  void addRootLibraryDirectories();
  void addRuntimeLibraries();
  void addDefaultWords();
  bool excludedByEarlier(const OptionEntry& entry) const;
  void sendToTools(std::uint16_t tools, std::initializer_list<std::string> words);
  void makeOptionWords(const OptionEntry& entry, const std::string& argument);
  int runPipeline();
  std::vector<std::size_t> stagesFor(const SourceFile& source) const;
  bool takesHandedInput(const StageRule& stage, bool previousRan) const;
  bool runSource(const SourceFile& source, bool severalSources);
  bool runLink(bool severalSources);
  int runTool(int tool, std::vector<std::string> words, const std::vector<std::string>& stageWords,
              bool compiledInput = false);
  std::string stageListing(const StageRule& stage, bool handedOn, const std::string& base) const;
  void refuseOverwrite(const std::string& input, const std::string& output) const;
  int runStage(const StageRule& stage, const std::vector<std::string>& words, bool compiledInput);
  std::string stageOutput(const SourceFile& source, const std::vector<std::size_t>& chosen,
                          std::size_t position, std::size_t& temporary,
                          bool singleCompileOnly) const;
  std::vector<std::string> stageWords(const StageRule& stage, const std::string& listingName,
                                      const std::string& sourceName, const std::string& input,
                                      const std::string& output, bool withRetryWord) const;
  std::vector<std::string> stageHead(const StageRule& stage, const std::string& listingName,
                                     const std::string& sourceName) const;
  void removeTemporaries();

  [[noreturn]] void fatal(Message message, const std::string& argument = {}) const;
  void warning(const std::string& text);

  bool linkEnabled() const;
  bool frontEndOnly() const;
  bool stageEnabled(const StageRule& stage) const;
  int compiledSourceCount() const;
  bool isCompiledKind(SourceKind kind) const;
  bool isLinkedKind(SourceKind kind) const;
  std::string baseNameOf(const std::string& source) const;

  const DriverConfig& config_;
  ProgramEnvironment environment_;
  ToolRunner& runner_;
  std::ostream& out_;
  std::ostream& err_;

  std::string root_;
  std::string configurationDirectory_;
  std::vector<std::string> toolPaths_;
  std::string workDirectory_;
  std::vector<std::string> temporaryNames_;  // first template twice, second template once
  std::optional<WordReader> reader_;

  OptionSet optionSet_;
  std::vector<std::vector<std::string>> toolArguments_;
  std::vector<std::vector<std::string>> includeLists_;
  std::vector<SourceFile> sources_;
  std::vector<std::string> objectsMade_;
  std::optional<std::string> outputName_;
  std::optional<std::string> listingName_;
  std::optional<std::string>
      codeChoices_;  // of the first code-choices option; the compiler keeps it
  bool listing_ = false;
  bool mapRequested_ = false;
  bool relocatable_ = false;
  bool explicitRelocatable_ = false;
  bool version_ = false;
  bool quiet_ = false;
  bool printOnly_ = false;
  bool warningsOff_ = false;
  bool stopBeforeAssembly_ = false;
  bool noLink_ = false;
  bool alternateImage_ = false;
  bool assemblerDebugPassed_ = false;
  bool sourceNameFlag_ = false;
  bool onlyVersion_ = false;
  bool keepAssembly_ = false;
  bool keepTemporaries_ = false;
};

}  // namespace kz::driver
