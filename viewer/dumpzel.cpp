#include "viewer/dumpzel.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "common/install_root.h"
#include "common/notice.h"
#include "object/byte_source.h"
#include "viewer/expression_text.h"
#include "viewer/module_view.h"
#include "viewer/output_buffer.h"

namespace kz::viewer {
namespace {

constexpr const char* kUsage =
    "usage: dumpzel [-h | --help] [--version] [-d | -H] [-x] object-file...\n";
constexpr const char* kVersionLine = "dumpzel (KORV-ZEL object viewer) 1.1";

struct CommandLine {
  ViewOptions options;
  std::vector<std::string> files;
  bool help = false;
  bool version = false;
};

struct OptionEntry {
  std::string_view text;
  void (*apply)(CommandLine&);
};

// clang-format off
constexpr OptionEntry kOptions[] = {
    {"-h", [](CommandLine& line) { line.help = true; }},
    {"--help", [](CommandLine& line) { line.help = true; }},
    {"--version", [](CommandLine& line) { line.version = true; }},
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

void reportUnreadable(const std::string& path, const std::string& reason, std::ostream& err) {
  err << "dumpzel: cannot read " << path << ": " << reason << '\n';
}

// Reads the file as it goes: memory stays bounded whatever its size, and a foreign file
// is known by its first byte.
int viewFile(const std::string& path, const ViewOptions& options, std::ostream& out,
             std::ostream& err) {
  object::FileSource source;
  if (auto problem = source.open(path)) {
    if (source.isDirectory()) {
      reportUnreadable(path, *problem, err);
      return kExitUsage;
    }
    err << "dumpzel: cannot open " << path << ": " << *problem << '\n';
    return kExitUsage;
  }
  if (source.regularSize()) {
    out << path << ": " << *source.regularSize() << " bytes\n";
  } else {
    out << path << ": not a regular file, read as it comes\n";
  }
  ViewResult result = viewModule(source, source.regularSize(), options, out);
  if (auto problem = source.error()) {
    out.flush();
    reportUnreadable(path, *problem, err);
    return kExitUsage;
  }
  if (result.ok()) return kExitOk;
  out.flush();
  err << "dumpzel: " << path << ": stopped at offset " << hexText(result.failure->offset, 6) << ": "
      << result.failure->reason << '\n';
  return kExitDamaged;
}

// Whether everything written reached the output; says why not.
bool outputWritten(std::ostream& out, std::ostream& err) {
  if (out.flush()) return true;
  std::string reason = "write error";
  if (auto* buffer = dynamic_cast<DescriptorOutput*>(out.rdbuf())) {
    if (!buffer->failure().empty()) reason = buffer->failure();
  }
  err << "dumpzel: cannot write the output: " << reason << '\n';
  return false;
}

}  // namespace

int runDumpzel(const ProgramEnvironment& environment, std::ostream& out, std::ostream& err) {
  auto line = parseCommandLine(environment.arguments(), err);
  if (!line) return kExitUsage;
  if (line->help || line->version) {
    if (line->help) {
      printHelp(environment, out);
    } else {
      out << kVersionLine << '\n' << kCopyrightNotice << '\n';
    }
    return outputWritten(out, err) ? kExitOk : kExitOutput;
  }
  if (line->files.empty()) {
    err << kUsage;
    return kExitUsage;
  }
  int status = kExitOk;
  for (std::size_t i = 0; i < line->files.size() && out; ++i) {
    if (i > 0) out << '\n';
    status = std::max(status, viewFile(line->files[i], line->options, out, err));
  }
  return outputWritten(out, err) ? status : kExitOutput;
}

}  // namespace kz::viewer
