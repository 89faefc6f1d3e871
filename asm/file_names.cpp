#include "asm/file_names.h"

#include <sys/stat.h>

#include "asm/reporter.h"
#include "common/fatal_error.h"
#include "common/host_path.h"
#include "common/install_root.h"

namespace kz::assembler {
namespace {

constexpr std::size_t kMaxIncludeDirs = 49;

std::string resolvedOrFatal(const std::string& name) {
  auto full = resolveFullPath(name);
  if (!full) raiseFatal(Message::illegalFileSpecification, name);
  return *full;
}

// A listing or error file may go to the console or a printer, but to no other device.
bool mayNameDevice(const std::string& name) { return deviceKindOf(name) != DeviceKind::other; }

void checkOutputAgainst(const std::optional<std::string>& output, const std::string& source,
                        const std::optional<std::string>& object) {
  if (!output || deviceKindOf(*output) == DeviceKind::console) return;
  resolvedOrFatal(*output);
  if (sameFile(*output, source)) raiseFatal(Message::duplicatedSourceName, *output);
  if (object && sameFile(*output, *object)) raiseFatal(Message::filesAreTheSame, *output);
}

}  // namespace

std::string baseNameOf(const std::string& sourceName) { return std::string(stemOf(sourceName)); }

void checkSourceName(const std::string& sourceName) {
  if (deviceKindOf(sourceName) != DeviceKind::none) raiseFatal(Message::fileMustBeDisk, sourceName);
  if (!fileExists(sourceName)) raiseFatal(Message::noSourceFile);
}

void deriveAndCheckOutputNames(RunOptions& options) {
  std::string base = baseNameOf(options.sourceFileName);
  if (options.syntaxOnly) {
    options.objectFileName.reset();
  } else if (!options.objectFileName) {
    options.objectFileName = base + ".rel";
  }
  if (options.listingOn && !options.listingFileName) options.listingFileName = base + ".lst";

  if (options.objectFileName && deviceKindOf(*options.objectFileName) != DeviceKind::none) {
    raiseFatal(Message::fileMustBeDisk, *options.objectFileName);
  }
  for (const auto* output : {&options.listingFileName, &options.errorFileName}) {
    if (*output && !mayNameDevice(**output)) raiseFatal(Message::fileMustBeDisk, **output);
  }

  resolvedOrFatal(options.sourceFileName);
  if (options.objectFileName) {
    resolvedOrFatal(*options.objectFileName);
    if (sameFile(*options.objectFileName, options.sourceFileName))
      raiseFatal(Message::duplicatedSourceName, *options.objectFileName);
  }
  checkOutputAgainst(options.listingFileName, options.sourceFileName, options.objectFileName);
  checkOutputAgainst(options.errorFileName, options.sourceFileName, options.objectFileName);
}

void completeIncludeList(RunOptions& options, const ProgramEnvironment& environment) {
  bool anyRoot = false;
  for (const char* variable : {"KHOMEZEL", "KHOME"}) {
    auto value = environment.lookup(variable);
    if (!value) continue;
    anyRoot = true;
    std::string root = withHostSeparators(*value);
    if (!root.empty() && (root.back() == ';' || root.back() == '/')) root.pop_back();
    if (root.empty()) root = ".";
    if (options.includeDirs.size() >= kMaxIncludeDirs) raiseFatal(Message::stringTableOverflow);
    root.append("/include/");
    options.includeDirs.push_back(std::move(root));
  }
  if (!anyRoot) {
    // Without a variable, an installed or build-tree assembler still has its own root.
    if (auto root = rootAboveExecutable()) {
      if (options.includeDirs.size() >= kMaxIncludeDirs) raiseFatal(Message::stringTableOverflow);
      options.includeDirs.push_back(*root + "/include/");
    }
    std::string directory = withHostSeparators(directoryOf(options.sourceFileName));
    if (options.includeDirs.size() >= kMaxIncludeDirs) raiseFatal(Message::stringTableOverflow);
    options.includeDirs.push_back(directory.empty() ? "./" : directory);
  }
}

std::string workDirectoryOf(const ProgramEnvironment& environment) {
  auto tmp = environment.lookup("TMP");
  if (!tmp) return "";
  std::string directory = withHostSeparators(tmp->substr(0, tmp->find(';')));
  if (directory.empty()) return "";
  if (directory.back() != '/') directory += '/';
  return directory;
}

}  // namespace kz::assembler
