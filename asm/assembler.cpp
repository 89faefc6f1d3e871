#include "asm/assembler.h"

#include <sys/stat.h>

#include "asm/command_line.h"
#include "asm/file_names.h"
#include "asm/listing_fan_out.h"
#include "asm/option_lines.h"
#include "asm/passes.h"
#include "common/cleanup.h"
#include "common/fatal_error.h"
#include "common/host_path.h"

namespace kz::assembler {
namespace {

std::string joinArguments(const std::vector<std::string>& arguments) {
  std::string text;
  for (const std::string& argument : arguments) text += argument + " ";
  return text;
}

bool isDirectory(const std::string& name) {
  struct stat info {};
  return ::stat(name.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

Assembler::Assembler(ProgramEnvironment environment, Console console)
    : environment_(std::move(environment)), console_(console) {}

Assembler::~Assembler() { abortRun(); }

int Assembler::run() {
  if (!environment_.handoverMode() && environment_.arguments().empty()) {
    try {
      printHelpFile(environment_, console_.out);
    } catch (const FatalError& error) {
      printBannerOnce();
      printFatal(console_, error.number(), error.argument());
      return error.exitStatus();
    }
    std::fflush(console_.out);
    return kExitSuccess;
  }
  try {
    if (!startUp()) {
      abortRun();
      return kExitVersionOnly;
    }
    scanOptionLines();
    deriveAndCheckOutputNames(options_);
    createWorkFiles();
    runPass1AndSizing();
    openOutputs();
    runFinalPass();
    appendSymbolListing();
    return finish();
  } catch (const FatalError& error) {
    printBannerOnce();
    printFatal(console_, error.number(), error.argument());
    abortRun();
    return error.exitStatus();
  }
}

bool Assembler::startUp() {
  options_.environmentArguments = environment_.handoverMode();
  commandLineText_ = joinArguments(environment_.arguments());
  workDirectory_ = workDirectoryOf(environment_);
  diagnostics_ =
      std::make_unique<Diagnostics>(options_, workDirectory_, console_.out, console_.err);

  CommandLineResult parsed =
      parseCommandLine(expandCommandFiles(environment_.arguments()), settings_);
  for (const std::string& option : settings_.ignoredOptions()) {
    diagnostics_->reportCommandLineWarning(Message::ignoredOption, option);
  }
  if (options_.syntaxOnly) options_.objectFileName.reset();
  if (!parsed.sourceGiven) {
    if (!parsed.onlyVerbose) raiseFatal(Message::noSourceFile);
    printBannerOnce();
    return false;
  }
  checkSourceName(options_.sourceFileName);
  completeIncludeList(options_, environment_);
  printBannerOnce();

  std::string sourcePath = withHostSeparators(options_.sourceFileName);
  if (isDirectory(sourcePath)) raiseFatal(Message::cantOpen, options_.sourceFileName);
  reader_ = std::make_unique<SourceReader>(options_, *diagnostics_);
  reader_->openMainSource();
  diagnostics_->setFileNameLookup([this](int index) {
    const auto& files = reader_->files();
    return index >= 0 && static_cast<std::size_t>(index) < files.size() ? files[index].name
                                                                        : options_.sourceFileName;
  });
  tokenFile_ = makeWorkFile("TP");
  return true;
}

std::unique_ptr<WorkFile> Assembler::makeWorkFile(const char* prefix) {
  if (!options_.diskWorkFiles) return createMemoryFile(prefix);
  auto file = createDiskWorkFile(workDirectory_, prefix);
  if (!file) raiseFatal(Message::cantOpen, workDirectory_ + prefix + "XXXXXX");
  return file;
}

void Assembler::scanOptionLines() {
  optionLines_ = prescanOptionLines(*reader_, settings_, [&](long line) {
    diagnostics_->reportOptionLineWarning(Message::illegalParameter, line);
  });
  lineWidthGiven_ = settings_.given().lineWidth;
}

void Assembler::createWorkFiles() {
  referenceFile_ = makeWorkFile("TS");
  sizingWorkFile_ = makeWorkFile("TT");
}

void Assembler::openOutputs() {
  object_ = std::make_unique<ObjectWriter>(options_, *symbols_, *diagnostics_);
  object_->open(
      {moduleName_, options_.sourceFileName, commandLineText_, assemblyTime(environment_)});
  if (options_.listingOn) {
    listing_ = std::make_unique<ListingFile>(options_, *options_.listingFileName, console_.out,
                                             lineWidthGiven_);
    if (!listing_->open()) raiseFatal(Message::cantOpen, *options_.listingFileName);
    diagnostics_->setListing(listing_.get());
  }
  if (options_.errorFileName) {
    const std::string& name = *options_.errorFileName;
    errorFileIsConsole_ = deviceKindOf(name) == DeviceKind::console;
    // Messages are appended; only a file this run brings into being is removed again, or
    // under a driver the one it created for this run.
    errorFileCreated_ = !errorFileIsConsole_ && (environment_.handoverMode() || !fileExists(name));
    errorFile_ =
        errorFileIsConsole_ ? console_.out : std::fopen(withHostSeparators(name).c_str(), "ab");
    if (!errorFile_) raiseFatal(Message::cantOpen, name);
    diagnostics_->setErrorFile(errorFile_);
  }
}

void Assembler::runPass1AndSizing() {
  symbols_ = std::make_unique<SymbolTable>(*diagnostics_);
  // The symbol table listing needs the references too: it leaves out externals never used.
  symbols_->setRecordReferences(options_.listingOn &&
                                options_.listingKind != ListingKind::sourceOnly);
  processor_ = std::make_unique<StatementProcessor>(options_, *diagnostics_, *symbols_);
  PassRunner passes(options_, *diagnostics_, *reader_, *tokenFile_, *processor_);
  passes.runPass1(optionLines_);
  moduleName_ =
      processor_->moduleNamed() ? processor_->moduleName() : baseNameOf(options_.sourceFileName);
  passes.runSizingPasses();
}

void Assembler::runFinalPass() {
  PassRunner passes(options_, *diagnostics_, *reader_, *tokenFile_, *processor_);
  StatementFanOut sinks;
  if (listing_) {
    listing_->beginFinalPass(*reader_, *symbols_);
    sinks.add(listing_.get());
  }
  sinks.add(object_.get());
  sinks.add(extraSink_);
  passes.runFinalPass(sinks.empty() ? nullptr : &sinks, optionLines_);
  if (listing_) listing_->endFinalPass(*diagnostics_, moduleName_);
  object_->complete(processor_->debugRecords(), diagnostics_->errorCount(),
                    diagnostics_->warningCount());
}

void Assembler::appendSymbolListing() {
  if (listing_) listing_->appendSymbolTable(*referenceFile_, options_.diskWorkFiles);
}

int Assembler::finish() {
  if (listing_) {
    bool closed = listing_->close();
    diagnostics_->setListing(nullptr);
    if (!closed) raiseFatal(Message::cantClose, listing_->name());
  }
  bool keepErrorFile = true;
  if (errorFile_) {
    std::FILE* errorFile = errorFile_;
    errorFile_ = nullptr;
    diagnostics_->setErrorFile(nullptr);
    bool empty = !errorFileIsConsole_ && std::ftell(errorFile) == 0;
    bool closed = errorFileIsConsole_ ? std::fflush(errorFile) == 0 : std::fclose(errorFile) == 0;
    if (!closed) raiseFatal(Message::cantClose, *options_.errorFileName);
    keepErrorFile =
        !(empty && diagnostics_->errorCount() == 0 && diagnostics_->warningCount() == 0);
  }
  reader_.reset();
  if (tokenFile_ && !tokenFile_->discard()) {
    tokenFile_.reset();
    raiseFatal(Message::cantClose, "tokenfile");
  }
  tokenFile_.reset();
  referenceFile_.reset();
  sizingWorkFile_.reset();
  if (!diagnostics_->closeMessageFiles()) raiseFatal(Message::cantClose, "temporary file");
  if (!keepErrorFile && errorFileCreated_)
    cleanup::removeRegularFile(withHostSeparators(*options_.errorFileName));
  // Messages or a listing that did not reach standard output are a failed run.
  if (std::fflush(console_.out) != 0 || std::ferror(console_.out))
    raiseFatal(Message::cantWrite, "con");
  bool clean = diagnostics_->errorCount() == 0;
  // Last of all: up to here a fatal diagnostic still takes the object file away.
  if (clean || options_.keepObjectOnError)
    object_->keep();
  else
    object_->discard();
  return clean ? kExitSuccess : kExitErrors;
}

void Assembler::abortRun() {
  if (object_) object_->discard();
  if (listing_) {
    if (diagnostics_) diagnostics_->setListing(nullptr);
    listing_->close();
    listing_.reset();
  }
  if (errorFile_) {
    if (diagnostics_) diagnostics_->setErrorFile(nullptr);
    if (errorFileIsConsole_)
      std::fflush(errorFile_);
    else
      std::fclose(errorFile_);
    errorFile_ = nullptr;
  }
  processor_.reset();
  reader_.reset();
  tokenFile_.reset();
  referenceFile_.reset();
  sizingWorkFile_.reset();
  if (diagnostics_) diagnostics_->closeMessageFiles();
  std::fflush(console_.out);
}

void Assembler::printBannerOnce() {
  if (bannerPrinted_ || !bannerAllowed()) return;
  bannerPrinted_ = true;
  printBanner(console_.out);
}

}  // namespace kz::assembler
