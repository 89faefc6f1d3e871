// The stages of one run: per source the compile stages from the one its kind enters, then
// one link over the objects.
#include <unistd.h>

#include <algorithm>

#include "common/fatal_error.h"
#include "common/host_path.h"
#include "driver/driver.h"

namespace kz::driver {
namespace {

std::string quotedIfBlank(const std::string& word) {
  return word.find(' ') == std::string::npos ? word : "\"" + word + "\"";
}

// "-o" (or "-lf") and the name; a name that begins with '-' goes after "--" so the tool takes
// it as a name and not as an option, or as "./name" to a tool that knows no "--".
void appendNamed(std::vector<std::string>& words, const char* option, const std::string& name,
                 bool escaped = true) {
  words.push_back(option);
  if (!name.starts_with("-")) {
    words.push_back(name);
  } else if (escaped) {
    words.insert(words.end(), {"--", name});
  } else {
    words.push_back("./" + name);
  }
}

// The input of a compile stage: a tool takes a word that begins with '-' as an option and
// knows no escape for its source, so such a name is made relative to "./".
std::string stageInput(const std::string& name) {
  return name.starts_with("-") ? "./" + name : name;
}

// An object for the linker: a name that begins with '-' travels escaped, as "-- name".
std::vector<std::string> linkInputs(const std::vector<std::string>& objects) {
  std::vector<std::string> words;
  for (const std::string& name : objects)
    words.push_back(name.starts_with("-") ? "-- " + name : name);
  return words;
}

}  // namespace

int Driver::runPipeline() {
  bool several = compiledSourceCount() > 1;
  for (const SourceFile& source : sources_) {
    if (!isCompiledKind(source.kind)) continue;
    if (several && !quiet_) out_ << source.name << ":\n";
    if (!runSource(source, several)) return kToolFailedStatus;
  }
  return runLink(several) ? 0 : kToolFailedStatus;
}

// The stages that run for one source: the stage its kind enters, then every later stage that
// takes handed-on input in this run, up to the first stage the options switch off.
std::vector<std::size_t> Driver::stagesFor(const SourceFile& source) const {
  std::size_t index = 0;
  while (index < config_.stages.size() && config_.stages[index].entryKind != source.kind) ++index;
  std::vector<std::size_t> chosen;
  for (; index < config_.stages.size(); ++index) {
    const StageRule& stage = config_.stages[index];
    if (!stageEnabled(stage)) break;
    if (chosen.empty() || takesHandedInput(stage, chosen.back() + 1 == index))
      chosen.push_back(index);
  }
  return chosen;
}

bool Driver::takesHandedInput(const StageRule& stage, bool previousRan) const {
  switch (stage.handedInput) {
    case HandedInput::always:
      return true;
    case HandedInput::afterPrevious:
      return previousRan;
    case HandedInput::onRequest:
      return std::any_of(stage.requestOptions.begin(), stage.requestOptions.end(),
                         [&](std::uint8_t id) { return optionSet_.test(id); });
  }
  return true;
}

// Runs the stages of one source. Intermediate assembly text goes to a temporary unless
// the user keeps it (a listing, or stopping before assembly), and only the last stage that
// writes assembly text keeps it, so no tool reads and writes the same file.
bool Driver::runSource(const SourceFile& source, bool severalSources) {
  std::vector<std::size_t> chosen = stagesFor(source);
  bool singleCompileOnly = !severalSources && !linkEnabled();
  std::string base = baseNameOf(source.name);
  std::string input = source.name;
  std::size_t temporary = 0;
  bool compiled = !chosen.empty() && config_.stages[chosen[0]].tool == config_.compilerTool;
  for (std::size_t position = 0; position < chosen.size(); ++position) {
    const StageRule& stage = config_.stages[chosen[position]];
    std::string output = stageOutput(source, chosen, position, temporary, singleCompileOnly);
    std::string listingName = stageListing(stage, position > 0, base);
    std::vector<std::string> words;
    if (stage.form == StageForm::frontEnd) {
      FrontEndCommand command =
          config_.frontEndCommand(optionSet_, {source.name, stageInput(input), stageInput(base),
                                               output, sourceNameFlag_ && stage.takesSourceName});
      words = std::move(command.words);
      output = std::move(command.output);
    } else {
      words = stageWords(stage, listingName, source.name, input, output, false);
    }
    refuseOverwrite(input, output);
    bool handedOn = compiled && position > 0;
    int status = runStage(stage, words, handedOn);
    if (status != 0 && stage.retry && status == stage.retry->status &&
        !optionSet_.test(stage.retry->optionId)) {
      status = runStage(stage, stageWords(stage, listingName, source.name, input, output, true),
                        handedOn);
    }
    if (status != 0) return false;
    if (stage.outputKind == SourceKind::object) objectsMade_.push_back(output);
    if (stage.form == StageForm::frontEnd && frontEndOnly()) break;
    input = output;
  }
  return true;
}

// The listing a stage writes: "" without -l or for a stage that takes no listing words.
std::string Driver::stageListing(const StageRule& stage, bool handedOn,
                                 const std::string& base) const {
  std::string_view suffix = handedOn && !stage.handedListingSuffix.empty()
                                ? stage.handedListingSuffix
                                : stage.listingSuffix;
  if (!listing_ || suffix.empty()) return {};
  bool userName = stage.tool == config_.assemblerTool && listingName_ && !linkEnabled();
  return userName ? *listingName_ : base + std::string(suffix);
}

// An output named after its source (a kept .asm, an object, -P's .i) must not be the stage's
// input or any file of the command line, which it would destroy before it is read.
void Driver::refuseOverwrite(const std::string& input, const std::string& output) const {
  if (output.empty()) return;
  if (sameFile(input, output)) fatal(Message::filesAreTheSame, input);
  for (const SourceFile& other : sources_) {
    if (sameFile(other.name, output)) fatal(Message::filesAreTheSame, other.name);
  }
}

// The output of a stage named after the source when it is kept, else a temporary. Only
// assembly text is ever kept; intermediate files of compiler passes always go to temporaries.
std::string Driver::stageOutput(const SourceFile& source, const std::vector<std::size_t>& chosen,
                                std::size_t position, std::size_t& temporary,
                                bool singleCompileOnly) const {
  const StageRule& stage = config_.stages[chosen[position]];
  std::string base = baseNameOf(source.name);
  if (stage.outputKind == SourceKind::object)
    return singleCompileOnly && outputName_ ? *outputName_ : base + std::string(stage.outputSuffix);
  bool laterWriter = std::any_of(
      chosen.begin() + static_cast<std::ptrdiff_t>(position) + 1, chosen.end(),
      [&](std::size_t later) { return config_.stages[later].outputKind == stage.outputKind; });
  bool kept = stage.outputKind == SourceKind::assemblySource && !laterWriter &&
              (listing_ || stopBeforeAssembly_ || keepAssembly_);
  if (!kept) return temporaryNames_.at(temporary++ % 2);
  return stopBeforeAssembly_ && singleCompileOnly && outputName_
             ? *outputName_
             : base + std::string(stage.outputSuffix);
}

bool Driver::runLink(bool severalSources) {
  if (!linkEnabled()) return true;
  bool anyObject = !objectsMade_.empty();
  for (const SourceFile& source : sources_) anyObject = anyObject || isLinkedKind(source.kind);
  if (!anyObject) return true;
  if (severalSources && !quiet_) out_ << "link:\n";
  std::string base;
  for (const SourceFile& source : sources_) {
    if (isCompiledKind(source.kind)) {
      base = baseNameOf(source.name);
      break;
    }
  }
  if (base.empty()) base = baseNameOf(sources_.front().name);
  std::vector<std::string> words;
  if (listing_ || mapRequested_) {
    appendNamed(words, "-lf", listingName_ ? *listingName_ : base + std::string(config_.mapSuffix));
  }
  words.push_back(version_ ? "-V" : "-$");
  appendNamed(words, "-o",
              outputName_ ? *outputName_
                          : base + std::string(alternateImage_ ? config_.alternateImageSuffix
                                                               : config_.imageSuffix));
  return runTool(config_.linkerTool, linkInputs(objectsMade_), words) == 0;
}

std::vector<std::string> Driver::stageWords(const StageRule& stage, const std::string& listingName,
                                            const std::string& sourceName, const std::string& input,
                                            const std::string& output, bool withRetryWord) const {
  std::vector<std::string> words = stageHead(stage, listingName, sourceName);
  if (stage.retry && (withRetryWord || optionSet_.test(stage.retry->optionId)))
    words.emplace_back(stage.retry->word);
  if (stage.form == StageForm::positional) {
    words.insert(words.end(), {stageInput(input), stageInput(output)});
  } else {
    appendNamed(words, "-o", output, config_.tools[stage.tool].readsEscapedNames);
    words.push_back(stageInput(input));
  }
  return words;
}

std::vector<std::string> Driver::stageHead(const StageRule& stage, const std::string& listingName,
                                           const std::string& sourceName) const {
  std::vector<std::string> words;
  if (stage.form == StageForm::named) {
    if (!listingName.empty())
      appendNamed(words, "-lf", listingName, config_.tools[stage.tool].readsEscapedNames);
    words.push_back(version_ ? "-V" : "-$");
  }
  if (sourceNameFlag_ && stage.takesSourceName) words.insert(words.end(), {"-GN", sourceName});
  if (!stage.fixedWord.empty()) words.emplace_back(stage.fixedWord);
  return words;
}

int Driver::runStage(const StageRule& stage, const std::vector<std::string>& words,
                     bool compiledInput) {
  return runTool(stage.tool, {}, words, compiledInput);
}

// The tool's exit status; 0 in print-only mode.
int Driver::runTool(int tool, std::vector<std::string> words,
                    const std::vector<std::string>& stageWords, bool compiledInput) {
  for (const std::string& word : toolArguments_.at(tool)) {
    bool withheld = compiledInput && std::find(config_.handWrittenOnlyWords.begin(),
                                               config_.handWrittenOnlyWords.end(),
                                               word) != config_.handWrittenOnlyWords.end();
    if (!withheld) words.push_back(word);
  }
  words.insert(words.end(), includeLists_[tool].begin(), includeLists_[tool].end());
  words.insert(words.end(), stageWords.begin(), stageWords.end());
  for (std::string& word : words) word = quotedIfBlank(word);
  const std::string& path = toolPaths_.at(tool);
  const ToolRule& rule = config_.tools[tool];
  if (printOnly_) {
    out_ << path << " : '" << rule.name << "'";
    for (const std::string& word : words) out_ << " '" << word << "'";
    out_ << '\n';
    return 0;
  }
  sourceNameFlag_ = true;
  out_.flush();
  std::vector<std::string> block =
      buildHandoverBlock(environment_.lookup("KHOMEZEL"), environment_.lookup("KHOME"),
                         environment_.lookup("TMP"), words);
  std::optional<int> status = runner_.run(path, std::string(rule.name), block);
  if (!status)
    throw FatalError(messageNumber(Message::cantExecute), path,
                     rule.secondExecWording ? kSecondExecFailureStatus : kFatalStatus);
  return *status;
}

}  // namespace kz::driver
