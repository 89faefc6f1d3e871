#include "clike/compiler.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <new>

#include "clike/command_line.h"
#include "clike/fatal.h"
#include "clike/file_names.h"
#include "clike/listing_reports.h"
#include "clike/module_output.h"
#include "clike/parser.h"
#include "clike/token_dump.h"
#include "clike/work_records.h"
#include "common/cleanup.h"
#include "common/host_path.h"
#include "common/install_root.h"
#include "common/write_over.h"

namespace kz::clike {
namespace {

std::string currentDirectory() {
  char buffer[4096];
  return ::getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string(".");
}

std::string asDirectory(std::string directory) {
  directory = withHostSeparators(directory);
  if (!directory.empty() && !isSeparator(directory.back())) directory += '/';
  return directory;
}

// Opens the assembly output for writing from its start; an older file is written over.
std::FILE* openToWriteOver(const std::string& path) {
  int fd = kz::openToWriteOver(path);
  if (fd < 0) return nullptr;
  std::FILE* stream = ::fdopen(fd, "wb");
  if (!stream) ::close(fd);
  return stream;
}

// Writes what the stream holds and closes it, cut where the writing ended. False when a
// write, the cut or the close failed.
bool closeWrittenOver(std::FILE* stream) {
  bool flushed = std::fflush(stream) == 0;
  int fd = ::fileno(stream);
  bool cut = fd < 0 || cutWhereWritingEnded(fd);
  bool closed = std::fclose(stream) == 0;
  return flushed && cut && closed;
}

bool fileIsEmpty(const std::string& name) {
  struct stat info {};
  return ::stat(withHostSeparators(name).c_str(), &info) == 0 && info.st_size == 0;
}

}  // namespace

Compiler::Compiler(ProgramEnvironment environment, Console console)
    : environment_(std::move(environment)), console_(console), diagnostics_(settings_, console) {}

Compiler::~Compiler() {
  if (output_ && outputOpen_ && output_ != console_.out) std::fclose(output_);
  if (errorFile_ && !errorFileIsConsole_) std::fclose(errorFile_);
}

int Compiler::run() {
  if (!environment_.handoverMode() && environment_.arguments().empty()) {
    printHelpFile(environment_, console_.out);
    std::fflush(console_.out);
    return kExitSuccess;
  }
  diagnostics_.setBeforeFirstMessage([this] { printBannerOnce(); });
  try {
    if (!readCommandLine()) {
      std::fflush(console_.out);
      return kExitFailure;
    }
    formNamesAndCheck();
    createWorkFiles();
    openFiles();
    compile();
    endOfSource();
    checkLabels();
    writeOutput();
    return finish();
  } catch (const FatalError& fatal) {
    return abortRun(fatal);
  } catch (const std::bad_alloc&) {
    // Memory runs out: at the start a work area could not be had, later a pool could not
    // grow.
    Message message = diagnostics_.phase() == Phase::commandLine ? Message::storageAllocationFailure
                                                                 : Message::storageExhausted;
    return abortRun(FatalError(numberOf(message), std::string(), kExitFailure));
  }
}

void Compiler::printBannerOnce() {
  if (bannerPrinted_) return;
  bannerPrinted_ = true;
  std::uint8_t level = settings_.options.bannerLevel;
  printBanner(console_.out, level == kNotGiven ? 2 : level);
}

// Steps 2 to 6: the settings, their defaults, the banner, the source file named.
bool Compiler::readCommandLine() {
  currentDirectory_ = currentDirectory();
  CommandLine commandLine(
      settings_, [this](std::string_view word) { diagnostics_.reportCommandLineWarning(word); });
  commandLine.read(joinArgumentWords(environment_.arguments()));
  settings_.options.applyDefaults();
  printBannerOnce();
  if (settings_.files.sourceName) return true;
  if (settings_.anyOption) raiseFatal(Message::noSourceFile);
  return false;
}

void Compiler::formNamesAndCheck() {
  const RunFiles& files = settings_.files;
  const std::string& source = *files.sourceName;
  moduleName_ = moduleNameOf(source);
  outputName_ =
      files.outputName ? *files.outputName : defaultOutputName(currentDirectory_, source, ".asm");
  if (settings_.listingToFile()) {
    listingName_ = files.listingName ? *files.listingName
                                     : defaultOutputName(currentDirectory_, source, ".cpl");
  }
  errorFileIsConsole_ =
      files.errorFileName && deviceKindOf(*files.errorFileName) == DeviceKind::console;
  std::vector<std::string> names{source};
  if (settings_.options.asmToConsole == 0) names.push_back(outputName_);
  if (settings_.listingToFile()) names.push_back(listingName_);
  if (files.errorFileName && !errorFileIsConsole_) names.push_back(*files.errorFileName);
  checkDistinctFiles(names);
}

void Compiler::createWorkFiles() {
  std::optional<std::string> tmp = environment_.lookup("TMP");
  workDirectory_ = tmp && !tmp->empty() ? asDirectory(*tmp) : std::string();
  if (!workFile1_.create(workDirectory_, "TP"))
    raiseFatal(Message::cantOpen, workDirectory_ + "TPXXXXXX");
  if (settings_.options.xrefLevel3 == 1 && !workFile2_.create(workDirectory_, "TP")) {
    raiseFatal(Message::cantOpen, workDirectory_ + "TPXXXXXX");
  }
}

// The date of the run as the standard 24-character text, from SOURCE_DATE_EPOCH when set.
std::string Compiler::runDate() const {
  std::tm parts{};
  std::optional<std::string> epoch = environment_.lookup("SOURCE_DATE_EPOCH");
  bool fixed = epoch && !epoch->empty() && epoch->size() <= 18 &&
               epoch->find_first_not_of("0123456789") == std::string::npos;
  std::time_t seconds = fixed ? static_cast<std::time_t>(std::stoll(*epoch)) : std::time(nullptr);
  if (fixed) {
    gmtime_r(&seconds, &parts);
  } else {
    localtime_r(&seconds, &parts);
  }
  char text[64];
  std::strftime(text, sizeof text, "%a %b %e %H:%M:%S %Y", &parts);
  return text;
}

ListingLayout Compiler::listingLayout() const {
  ListingLayout layout;
  std::string name = listingName_;
  std::size_t slash = name.find_last_of("/\\:");
  layout.fileName = slash == std::string::npos ? name : name.substr(slash + 1);
  layout.programPath = environment_.programName();
  layout.commandText = settings_.commandText;
  layout.dateText = runDate();
  layout.pageLength = std::max(settings_.options.pageLength, 0);
  layout.pageWidth = std::max(settings_.options.pageWidth, 0);
  return layout;
}

void Compiler::openFiles() {
  reader_ = std::make_unique<SourceReader>(diagnostics_);
  reader_->openMain(*settings_.files.sourceName);
  if (settings_.listingOn()) {
    listing_ = std::make_unique<ListingFile>(
        settings_.listingToFile() ? listingName_ : std::string(), console_.out);
    if (!listing_->open()) raiseFatal(Message::cantOpen, listingName_);
    listing_->setLayout(listingLayout());
    reader_->setListing(listing_.get());
    if (settings_.listingToFile()) diagnostics_.setListing(listing_.get());
  }
  if (const auto& name = settings_.files.errorFileName) {
    errorFile_ =
        errorFileIsConsole_ ? console_.out : std::fopen(withHostSeparators(*name).c_str(), "ab");
    if (!errorFile_) raiseFatal(Message::cantOpen, *name);
    diagnostics_.setErrorFile(errorFile_);
  }
}

IncludeSearch Compiler::includeSearch() const {
  IncludeSearch search;
  search.sourceDirectory = std::string(directoryOf(*settings_.files.sourceName));
  for (const std::string& directory : settings_.files.includeDirs)
    search.directories.push_back(asDirectory(directory));
  auto rootInclude = [](const std::string& root) {
    return asDirectory(withoutTrailingSeparator(root)) + "include/";
  };
  std::optional<std::string> khomezel = environment_.lookup("KHOMEZEL");
  if (khomezel && !khomezel->empty()) search.directories.push_back(rootInclude(*khomezel));
  std::optional<std::string> khome = environment_.lookup("KHOME");
  if (khome && !khome->empty()) {
    search.directories.push_back(rootInclude(*khome));
  } else {
    if (std::optional<std::string> root = rootAboveExecutable())
      search.directories.push_back(rootInclude(*root));
    search.directories.push_back("include/");
  }
  return search;
}

// Step 9: the token stream through the parser, code and data into work file 1. Under -zt
// every token is dumped instead and nothing is parsed.
void Compiler::compile() {
  diagnostics_.setPhase(Phase::compiling);
  body_ = std::make_unique<BodyText>(settings_.options, workFile1_);
  const OptionSettings& o = settings_.options;
  EmitterChoices choices;
  choices.holdBack = o.optUnit == 1;
  choices.eliminate = o.optE == 1;
  emitter_ = std::make_unique<CodeEmitter>(
      *body_, choices, [this] { raiseFatal(Message::cantWrite, workFile1_.path()); });
  PreprocessorSetup setup;
  setup.kanji = o.kanji == 1;
  setup.debugInfo = o.debugInfo == 1;
  setup.search = includeSearch();
  setup.debugLine = [this](std::string_view line) { emitter_->debugLine(line); };
  setup.debugNumbers = &debugNumbers_;
  if (o.xrefLevel3 == 1) {
    bool includeFiles = o.listSymbolsAll == 1;
    references_ = std::make_unique<ReferenceRecorder>(workFile2_, reader_->mainName());
    setup.reference = [this, includeFiles](const SymbolEntry& symbol, std::uint32_t line,
                                           std::uint8_t depth) {
      if (depth != 0 && !includeFiles) return;
      std::uint16_t file = references_->fileNumber(depth, reader_->fileName());
      if (!references_->record(symbol.order, line, file))
        raiseFatal(Message::cantWrite, workFile2_.path());
    };
  }
  preprocessor_ =
      std::make_unique<Preprocessor>(diagnostics_, *reader_, symbols_, strings_, std::move(setup));
  emitter_->setSourceLines(*preprocessor_);
  preprocessor_->applyCommandLineMacros(settings_.files.macros);
  if (o.tokenDump == 1) {
    for (Token token = preprocessor_->next(); token.kind != TokenClass::endOfInput;
         token = preprocessor_->next()) {
      dumpToken(console_.out, token);
    }
    return;
  }
  try {
    parser_ = std::make_unique<Parser>(diagnostics_, *preprocessor_, o, *emitter_, moduleName_);
  } catch (const std::bad_alloc&) {
    diagnostics_.reportSyntax("Not enough space for parser stacks", {});
    while (preprocessor_->next().kind != TokenClass::endOfInput) {
    }
    return;
  }
  if (o.debugInfo == 1) {
    debugInfo_ = std::make_unique<DebugInfo>(debugNumbers_);
    parser_->setDebugInfo(debugInfo_.get());
  }
  parser_->parseModule();
  compiled_ = parser_->module();
}

void Compiler::reportOpenBlocks() {
  if (preprocessor_ && preprocessor_->openConditionals() > 0)
    diagnostics_.reportError(Message::endifMissing);
  if (parser_ && parser_->openBraces() > 0) diagnostics_.reportError(Message::closingBraceMissing);
}

// Step 10.
void Compiler::endOfSource() {
  reportOpenBlocks();
  diagnostics_.keepPosition();
  reader_->closeAll();
  if (!workFile1_.closeForWriting()) raiseFatal(Message::cantClose, workFile1_.path());
  if (!workFile1_.openForReading()) raiseFatal(Message::cantOpen, workFile1_.path());
  diagnostics_.setPhase(Phase::output);
  if (settings_.options.asmToConsole == 1) {
    output_ = console_.out;
    return;
  }
  std::string path = withHostSeparators(outputName_);
  {
    cleanup::SignalsHeld held;  // a partial output is removed on an interrupt
    output_ = openToWriteOver(path);
    if (output_) cleanup::registerFile(path);
  }
  if (!output_) raiseFatal(Message::cantOpen, outputName_);
  outputOpen_ = true;
  outputCreated_ = true;
}

// Steps 11 and 12.
// Names used but never placed are errors, so they make the compilation fail.
void Compiler::checkLabels() {
  symbolOrder_ = std::make_unique<SymbolOrder>(symbols_, sortLimit_);
  undefinedLabels_ = undefinedLabels(*symbolOrder_);
  for (const SymbolEntry* symbol : undefinedLabels_)
    diagnostics_.reportUndefinedLabel(*settings_.files.sourceName, symbol->name);
}

void Compiler::writeReports() {
  const OptionSettings& o = settings_.options;
  listing_->endSource();
  writeUndefinedLabelList(*listing_, *symbolOrder_, undefinedLabels_);
  bool includeFiles = o.listSymbolsAll == 1;
  if (o.xrefLevel1 == 1 && o.xrefLevel2 == 1 && preprocessor_)
    writeMacroList(*listing_, preprocessor_->macros(), includeFiles, *symbolOrder_,
                   [this] { diagnostics_.reportError(Message::labelTableSyntaxError); });
  if (o.xrefLevel2 != 1) return;
  CrossReference references;
  bool withReferences = o.xrefLevel3 == 1 && references_;
  if (withReferences && !references_->read(symbols_.size(), references))
    raiseFatal(Message::cantRead, workFile2_.path());
  writeSymbolList(*listing_, *symbolOrder_, includeFiles, withReferences ? &references : nullptr);
}

void Compiler::writeOutput() {
  const OptionSettings& o = settings_.options;
  ModuleInfo module;
  module.moduleName = moduleName_;
  module.sourcePath = *settings_.files.sourceName;
  module.writeBody = o.keepOutput == 1 && (diagnostics_.errorCount() == 0 || o.reduceMessages == 1);
  module.externals = compiled_.externals;
  module.publics = compiled_.publics;
  module.usesSwitchRoutine = compiled_.usesSwitchRoutine;
  if (debugInfo_ && module.writeBody) {
    for (const SymbolEntry* symbol : module.externals) {
      if (symbol->defined || symbol->type.base == BaseType::entryType) continue;
      module.externalDebugLines += debugInfo_->symbolLines(*symbol);
    }
  }
  bool written = writeModuleBody(o, module, workFile1_, output_);
  written = std::fputs("\tend\n", output_) >= 0 && written;
  if (output_ == console_.out) {
    if (std::fflush(output_) != 0 || !written) raiseFatal(Message::cantWrite, outputName_);
    return;
  }
  outputOpen_ = false;
  bool closed = closeWrittenOver(output_);
  if (!written) raiseFatal(Message::cantWrite, outputName_);
  if (!closed) raiseFatal(Message::cantClose, outputName_);
}

void Compiler::closeErrorFile() {
  if (!errorFile_) return;
  diagnostics_.setErrorFile(nullptr);
  if (errorFileIsConsole_) {
    std::fflush(errorFile_);
  } else {
    bool closed = std::fclose(errorFile_) == 0;
    if (closed && fileIsEmpty(*settings_.files.errorFileName)) {
      std::remove(withHostSeparators(*settings_.files.errorFileName).c_str());
    }
  }
  errorFile_ = nullptr;
}

// Steps 13 to 16.
int Compiler::finish() {
  diagnostics_.setPhase(Phase::finishing);
  const OptionSettings& o = settings_.options;
  if (listing_) writeReports();
  workFile1_.closeForReading();
  if (outputCreated_) {
    std::string path = withHostSeparators(outputName_);
    bool remove = o.keepOutput == 0 || (diagnostics_.errorCount() > 0 && o.reduceMessages == 0);
    if (remove) std::remove(path.c_str());
    cleanup::unregisterFile(path);
    outputCreated_ = false;
  }
  // Under -zr and -zu the work file is kept for inspection when the compilation failed.
  if (o.reduceMessages == 1 && diagnostics_.errorCount() > 0) {
    workFile1_.keep();
  } else {
    workFile1_.remove();
  }
  workFile2_.remove();
  if (listing_) {
    if (!listing_->toConsole()) {
      listing_->writeSummary(diagnostics_.errorCount(), diagnostics_.warningCount(),
                             diagnostics_.registerWarningCount());
    }
    diagnostics_.setListing(nullptr);
    bool closed = listing_->close();
    if (!closed) raiseFatal(Message::cantWrite, listing_->name());
  }
  closeErrorFile();
  std::fflush(console_.out);
  return diagnostics_.errorCount() == 0 ? kExitSuccess : kExitFailure;
}

int Compiler::abortRun(const FatalError& fatal) {
  if (fatal.number() == numberOf(Message::filesAreTheSame)) {
    diagnostics_.printFatal(fatal);
    return fatal.exitStatus();
  }
  bool endOfSourceErrors = fatal.number() >= numberOf(Message::prematureEof) &&
                           fatal.number() != numberOf(Message::macroParameterTableOverflow);
  if (diagnostics_.phase() == Phase::compiling && endOfSourceErrors) reportOpenBlocks();
  diagnostics_.printFatal(fatal);
  bool keep = settings_.options.reduceMessages == 1;
  if (listing_) {
    diagnostics_.setListing(nullptr);
    listing_->close();
  }
  closeErrorFile();
  if (reader_) reader_->closeAll();
  if (outputOpen_) closeWrittenOver(output_);
  outputOpen_ = false;
  if (outputCreated_) {
    outputCreated_ = false;
    std::string path = withHostSeparators(outputName_);
    if (!keep) std::remove(path.c_str());
    cleanup::unregisterFile(path);
  }
  if (keep) {
    workFile1_.keep();
  } else {
    workFile1_.remove();
  }
  workFile2_.remove();
  std::fflush(console_.out);
  return fatal.exitStatus();
}

}  // namespace kz::clike
