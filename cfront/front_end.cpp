#include "cfront/front_end.h"

#include <unistd.h>

#include <new>

#include "cfront/builtin_files.h"
#include "cfront/fatal.h"
#include "cfront/include_paths.h"
#include "cfront/intermediate_records.h"
#include "cfront/preprocessed_writer.h"
#include "cfront/source_text.h"
#include "cfront/translation_unit.h"
#include "common/cleanup.h"
#include "common/host_path.h"
#include "common/install_root.h"
#include "common/notice.h"

namespace kz::cfront {
namespace {

std::optional<long long> sourceDateEpochOf(const ProgramEnvironment& environment) {
  std::optional<std::string> text = environment.lookup("SOURCE_DATE_EPOCH");
  if (!text || text->empty() || text->size() > 18 ||
      text->find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  return std::stoll(*text);
}

ReadResult readStandardInput(SourceBuffer& buffer) {
  std::string text;
  ReadResult result = readDescriptor(STDIN_FILENO, text);
  buffer = SourceBuffer(std::move(text));
  return result;
}

std::optional<std::string> givenValue(const ProgramEnvironment& environment, const char* name) {
  std::optional<std::string> value = environment.lookup(name);
  if (value && value->empty()) return std::nullopt;
  return value;
}

}  // namespace

std::string bannerLine() {
  // Appended rather than added: GCC 12 misreads the '+' of a literal here as an overflow.
  std::string line = "KORV-ZEL C Compiler - Parser (32) Version ";
  line += kVersion;
  return line;
}

FrontEnd::FrontEnd(ProgramEnvironment environment, std::FILE* console)
    : environment_(std::move(environment)),
      console_(console),
      diagnostics_(options_, console),
      preprocessor_(options_, diagnostics_, sourceDateEpochOf(environment_)),
      output_(diagnostics_) {
  diagnostics_.setPositionSource([this] { return preprocessor_.position(); });
}

FrontEnd::~FrontEnd() {
  if (errorFile_) std::fclose(errorFile_);
  if (spillFile_) spillFile_->discard();
  if (inlineFile_) inlineFile_->discard();
}

int FrontEnd::run() {
  try {
    startUp();
    if (options_.preprocessOnly()) {
      PreprocessedWriter writer(output_, preprocessor_, options_.lineDirectives());
      writer.copyAll(preprocessor_);
    } else {
      compile();
    }
    finish();
    return diagnostics_.errorCount();
  } catch (const RunAborted&) {
  } catch (const std::bad_alloc&) {
    try {
      diagnostics_.report(Message::outOfMemory);
    } catch (const RunAborted&) {
    }
  }
  output_.abandon();
  if (!output_.path().empty()) {  // a partial output does not outlive a failed run
    cleanup::removeRegularFile(output_.path());
    cleanup::unregisterFile(output_.path());
  }
  if (spillFile_) spillFile_->discard();
  if (inlineFile_) inlineFile_->discard();
  return kExitFatal;
}

void FrontEnd::startUp() {
  preprocessor_.definePredefined();
  char buffer[4096];
  currentDirectory_ = withDirectorySeparator(::getcwd(buffer, sizeof buffer) ? buffer : ".");
  makeWorkFiles();
  const std::vector<std::string>& words = environment_.arguments();
  std::string optionText = optionTextOf(words);
  OptionScanner(options_, diagnostics_, *this).scan(words);
  sections_.applyOptions(options_.sections, diagnostics_);
  writeVersionRecord(optionText);
  SourceBuffer text = openInput();
  openOutput();
  preprocessor_.defineAfterOptions();
  buildIncludeList();
  if (options_.keepCommentsAsked && options_.preprocessOnly())
    options_.ppMode |= RunOptions::kKeepComments;
  preprocessor_.openPrimary(options_.inputName, std::move(text));
}

void FrontEnd::makeWorkFiles() {
  std::optional<std::string> tmp = givenValue(environment_, "TMP");
  workDirectory_ = tmp ? withoutTrailingSeparator(*tmp) : std::string(".");
  if (workDirectory_.empty()) workDirectory_ = "/";
  std::string directory = withHostSeparators(workDirectory_) + '/';
  spillFile_ = createDiskWorkFile(directory, "TP");
  if (spillFile_) inlineFile_ = createDiskWorkFile(directory, "TQ");
  if (!spillFile_ || !inlineFile_) diagnostics_.report(Message::cannotOpenTemporary);
}

// <work>/<base>.ver receives the banner and the options, when it exists already.
void FrontEnd::writeVersionRecord(const std::string& optionText) {
  if (!options_.inputName) return;
  std::string name = withHostSeparators(workDirectory_) + '/' +
                     std::string(stemOf(withHostSeparators(*options_.inputName))) + ".ver";
  if (!fileExists(name) || cleanup::existsAsOtherThanRegularFile(name)) return;
  std::FILE* record = std::fopen(name.c_str(), "a");
  if (!record) return;
  std::string text = "; " + bannerLine() + "\n; Option: " + optionText + "\n";
  std::fwrite(text.data(), 1, text.size(), record);
  std::fclose(record);
}

SourceBuffer FrontEnd::openInput() {
  SourceBuffer text;
  ReadResult result =
      options_.inputName ? readSourceFile(*options_.inputName, text) : readStandardInput(text);
  if (result == ReadResult::cannotOpen)
    diagnostics_.report(Message::cannotOpenFile, {*options_.inputName});
  if (result == ReadResult::readFailed) diagnostics_.report(Message::inputProblem);
  return text;
}

// Writing the output over the source being read would destroy the source.
void FrontEnd::openOutput() {
  if (options_.inputName && options_.outputName &&
      sameFile(withHostSeparators(*options_.inputName), withHostSeparators(*options_.outputName)))
    diagnostics_.report(Message::outputIsInput, {*options_.outputName});
  cleanup::SignalsHeld held;  // the output is registered before an interrupt can find it
  if (!output_.open(options_.outputName ? *options_.outputName : std::string()))
    diagnostics_.report(Message::cannotOpenTemporary);
  if (!output_.path().empty()) cleanup::registerFile(output_.path());
}

void FrontEnd::buildIncludeList() {
  IncludeRoots roots;
  roots.khomezel = givenValue(environment_, "KHOMEZEL");
  roots.khome = givenValue(environment_, "KHOME");
  if (!roots.khomezel && !roots.khome) roots.aboveExecutable = rootAboveExecutable();
  includeDirs_ =
      includeDirectoryList(options_.inputName, options_.includeDirs, currentDirectory_, roots);
  preprocessor_.setIncludeDirectories(includeDirs_);
}

namespace {

// The records of the emitter go into the output file.
class OutputSink : public LineSink {
 public:
  explicit OutputSink(OutputFile& output) : output_(output) {}
  void write(std::string_view text) override { output_.write(text); }

 private:
  OutputFile& output_;
};

}  // namespace

// With -Xb the records of the function bodies are kept for the builtin-function file, which
// is all the output receives, and only after a run without errors.
void FrontEnd::compile() {
  bool making = (options_.builtinMake & 0x01) != 0;
  IntermediateRecords records(output_, options_);
  if (options_.stackCheck && !making) output_.write("STACK,1\n");
  if (!options_.sections.empty() && !making) output_.write(sections_.startUpRecords());
  if (!making) {
    records.sourceFileEntered(options_.inputName ? *options_.inputName : std::string(), 1);
    preprocessor_.setRecordSink(&records);
  }
  BodyStore store(*inlineFile_, diagnostics_);
  BuiltinLibrary library(store, diagnostics_, marks_, includeDirs_);
  for (const std::string& name : options_.builtinFiles) library.readBuiltinFile(name, false);
  BuiltinFileMaker maker(store);
  SpillFile spill(*spillFile_, diagnostics_);
  OutputSink sink(output_);
  UnitState state;
  state.sections = &sections_;
  state.marks = &marks_;
  state.builtinFiles = &library;
  state.spill = &spill;
  if (making) state.bodies = &maker;
  compileTranslationUnit(preprocessor_, diagnostics_, options_,
                         making ? static_cast<LineSink*>(&maker) : &sink, state);
  preprocessor_.setRecordSink(nullptr);
  if (making && diagnostics_.errorCount() == 0) maker.writeFile(output_);
}

void FrontEnd::finish() {
  output_.close();
  if (!output_.path().empty()) cleanup::unregisterFile(output_.path());
  if (errorFile_) {
    bool closed = std::fclose(errorFile_) == 0;
    errorFile_ = nullptr;
    if (!closed) diagnostics_.report(Message::cannotCloseFile, {*options_.errorFileName});
  }
  spillFile_->discard();
  inlineFile_->discard();
}

void FrontEnd::openErrorFile(const std::string& name) {
  if (errorFile_) std::fclose(errorFile_);
  options_.errorFileName = name;
  errorFile_ = deviceKindOf(name) == DeviceKind::console
                   ? ::fdopen(::dup(STDOUT_FILENO), "a")
                   : std::fopen(withHostSeparators(name).c_str(), "a");
  diagnostics_.setErrorFile(errorFile_);
  if (!errorFile_) diagnostics_.report(Message::cannotOpenFile, {name});
}

void FrontEnd::printBanner() {
  std::string text = bannerLine() + '\n' + kCopyrightNotice + '\n';
  std::fwrite(text.data(), 1, text.size(), console_);
}

void FrontEnd::printNote(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), console_);
  std::fputc('\n', console_);
}

}  // namespace kz::cfront
