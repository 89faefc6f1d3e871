#include "viewer/dumpzel.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "common/install_root.h"
#include "viewer/expression_text.h"
#include "viewer/module_view.h"

namespace kz::viewer {
namespace {

constexpr std::size_t kReadBlock = 65536;
constexpr const char* kUsage = "usage: dumpzel [-h] [-d | -H] [-x] object-file...\n";

struct CommandLine {
  ViewOptions options;
  std::vector<std::string> files;
  bool help = false;
};

struct OptionEntry {
  std::string_view text;
  void (*apply)(CommandLine&);
};

// clang-format off
constexpr OptionEntry kOptions[] = {
    {"-h", [](CommandLine& line) { line.help = true; }},
    {"-d", [](CommandLine& line) { line.options.selection = Selection::dataOnly; }},
    {"-H", [](CommandLine& line) { line.options.selection = Selection::headersOnly; }},
    {"-x", [](CommandLine& line) { line.options.rawBytes = true; }},
};
// clang-format on

// Options and file names in any order; "--" ends the options.
std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& arguments,
                                            std::ostream& err) {
  CommandLine line;
  bool optionsEnded = false;
  for (const std::string& argument : arguments) {
    if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
      line.files.push_back(argument);
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    const OptionEntry* entry = nullptr;
    for (const OptionEntry& option : kOptions) {
      if (option.text == argument) entry = &option;
    }
    if (entry == nullptr) {
      err << "dumpzel: unknown option '" << argument << "'\n" << kUsage;
      return std::nullopt;
    }
    entry->apply(line);
  }
  return line;
}

void printHelp(const ProgramEnvironment& environment, std::ostream& out) {
  for (const std::string& root : installRootCandidates(environment)) {
    std::ifstream help(root + "/etc/dumpzel.hlp", std::ios::binary);
    if (!help) continue;
    out << help.rdbuf();
    return;
  }
  out << kUsage;
}

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path, std::ostream& err) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    err << "dumpzel: cannot open " << path << ": " << std::strerror(errno) << '\n';
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes;
  std::uint8_t block[kReadBlock];
  std::size_t count = 0;
  while ((count = std::fread(block, 1, sizeof block, file)) > 0)
    bytes.insert(bytes.end(), block, block + count);
  bool failed = std::ferror(file) != 0;
  int error = errno;
  std::fclose(file);
  if (failed) {
    err << "dumpzel: cannot read " << path << ": " << std::strerror(error) << '\n';
    return std::nullopt;
  }
  return bytes;
}

int viewFile(const std::string& path, const ViewOptions& options, std::ostream& out,
             std::ostream& err) {
  auto bytes = readWholeFile(path, err);
  if (!bytes) return kExitUsage;
  out << path << ": " << bytes->size() << " bytes\n";
  ViewResult result = viewModule(*bytes, options, out);
  if (result.ok()) return kExitOk;
  out.flush();
  err << "dumpzel: " << path << ": stopped at offset " << hexText(result.failure->offset, 6) << ": "
      << result.failure->reason << '\n';
  return kExitDamaged;
}

}  // namespace

int runDumpzel(const ProgramEnvironment& environment, std::ostream& out, std::ostream& err) {
  auto line = parseCommandLine(environment.arguments(), err);
  if (!line) return kExitUsage;
  if (line->help || line->files.empty()) {
    printHelp(environment, out);
    return line->help ? kExitOk : kExitUsage;
  }
  int status = kExitOk;
  for (std::size_t i = 0; i < line->files.size(); ++i) {
    if (i > 0) out << '\n';
    status = std::max(status, viewFile(line->files[i], line->options, out, err));
  }
  return status;
}

}  // namespace kz::viewer
