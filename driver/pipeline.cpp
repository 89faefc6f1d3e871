// The stages of one run: per source the compile stages from the one its kind enters, then
// one link over the objects.
#include <unistd.h>

#include "common/fatal_error.h"
#include "driver/driver.h"

namespace kz::driver {
namespace {

std::string quotedIfBlank(const std::string& word) {
  return word.find(' ') == std::string::npos ? word : "\"" + word + "\"";
}

// "-o" (or "-lf") and the name; a name that begins with '-' goes after "--" so the tool takes
// it as a name and not as an option.
void appendNamed(std::vector<std::string>& words, const char* option, const std::string& name) {
  words.push_back(option);
  if (name.starts_with("-")) words.push_back("--");
  words.push_back(name);
}

void appendOutput(std::vector<std::string>& words, const std::string& name) {
  appendNamed(words, "-o", name);
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

// Runs the stages of one source. Intermediate assembly text goes to a temporary unless
// the user keeps it (a listing, or stopping before assembly), and only the last stage that
// writes assembly text keeps it, so no tool reads and writes the same file.
bool Driver::runSource(const SourceFile& source, bool severalSources) {
  std::size_t first = 0;
  while (first < config_.stages.size() && config_.stages[first].entryKind != source.kind) ++first;
  bool singleCompileOnly = !severalSources && !linkEnabled();
  std::string base = baseNameOf(source.name);
  std::string input = source.name;
  std::size_t temporary = 0;
  for (std::size_t index = first; index < config_.stages.size(); ++index) {
    const StageRule& stage = config_.stages[index];
    if (!stageEnabled(stage)) break;
    std::string output;
    if (stage.outputKind == SourceKind::object) {
      output =
          singleCompileOnly && outputName_ ? *outputName_ : base + std::string(stage.outputSuffix);
    } else {
      bool laterWriter = false;
      for (std::size_t later = index + 1; later < config_.stages.size(); ++later) {
        const StageRule& next = config_.stages[later];
        if (stageEnabled(next) && next.outputKind == stage.outputKind) laterWriter = true;
      }
      bool kept = !laterWriter && (listing_ || stopBeforeAssembly_);
      if (kept) {
        output = stopBeforeAssembly_ && singleCompileOnly && outputName_
                     ? *outputName_
                     : base + std::string(stage.outputSuffix);
      } else {
        output = temporaryNames_.at(temporary++ % 2);
      }
    }
    std::string listingName;
    if (listing_ && !stage.listingSuffix.empty()) {
      bool userName = stage.tool == config_.assemblerTool && listingName_ && !linkEnabled();
      listingName = userName ? *listingName_ : base + std::string(stage.listingSuffix);
    }
    std::vector<std::string> words = stageHead(listingName, source.name);
    appendOutput(words, output);
    words.push_back(stageInput(input));
    if (!runTool(stage.tool, {}, words)) return false;
    if (stage.outputKind == SourceKind::object) objectsMade_.push_back(output);
    input = output;
  }
  return true;
}

bool Driver::runLink(bool severalSources) {
  if (!linkEnabled()) return true;
  bool anyObject = !objectsMade_.empty();
  for (const SourceFile& source : sources_) anyObject = anyObject || !isCompiledKind(source.kind);
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
  appendOutput(words, outputName_
                          ? *outputName_
                          : base + std::string(alternateImage_ ? config_.alternateImageSuffix
                                                               : config_.imageSuffix));
  return runTool(config_.linkerTool, linkInputs(objectsMade_), words);
}

std::vector<std::string> Driver::stageHead(const std::string& listingName,
                                           const std::string& sourceName) {
  std::vector<std::string> words;
  if (!listingName.empty()) appendNamed(words, "-lf", listingName);
  words.push_back(version_ ? "-V" : "-$");
  if (sourceNameFlag_) words.insert(words.end(), {"-GN", sourceName});
  return words;
}

bool Driver::runTool(int tool, std::vector<std::string> words,
                     const std::vector<std::string>& stageWords) {
  words.insert(words.end(), toolArguments_.at(tool).begin(), toolArguments_[tool].end());
  words.insert(words.end(), includeLists_[tool].begin(), includeLists_[tool].end());
  words.insert(words.end(), stageWords.begin(), stageWords.end());
  for (std::string& word : words) word = quotedIfBlank(word);
  const std::string& path = toolPaths_.at(tool);
  const ToolRule& rule = config_.tools[tool];
  if (printOnly_) {
    out_ << path << " : '" << rule.name << "'";
    for (const std::string& word : words) out_ << " '" << word << "'";
    out_ << '\n';
    return true;
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
  return *status == 0;
}

}  // namespace kz::driver
