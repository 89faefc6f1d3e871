#include "viewer/dumpzel.h"

#include <algorithm>
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
#include "object/library.h"
#include "viewer/expression_text.h"
#include "viewer/library_view.h"
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

// The bytes read to look at a file's start, then the rest of the file.
class PrefixedSource final : public object::ByteSource {
 public:
  PrefixedSource(std::vector<std::uint8_t> prefix, object::ByteSource& rest)
      : prefix_(std::move(prefix)), rest_(rest) {}
  std::size_t read(std::uint8_t* into, std::size_t size) override {
    if (taken_ < prefix_.size()) {
      std::size_t count = std::min(size, prefix_.size() - taken_);
      std::copy_n(prefix_.begin() + static_cast<std::ptrdiff_t>(taken_), count, into);
      taken_ += count;
      return count;
    }
    return rest_.read(into, size);
  }
  std::optional<std::string> error() const override { return rest_.error(); }

 private:
  std::vector<std::uint8_t> prefix_;
  object::ByteSource& rest_;
  std::size_t taken_ = 0;
};

// Enough bytes to tell a library by its module begin: E0, "LIBRARY", a name length.
constexpr std::size_t kLibraryPrefix = 10;
// A library is read whole to follow its index; beyond this it is refused.
constexpr std::size_t kMaxLibraryBytes = 256 * 1024 * 1024;

int reportFailure(const std::string& path, const object::ReadFailure& failure, std::ostream& out,
                  std::ostream& err) {
  out.flush();
  err << "dumpzel: " << path << ": stopped at offset " << hexText(failure.offset, 6) << ": "
      << failure.reason << '\n';
  return kExitDamaged;
}

int viewWholeLibrary(const std::string& path, PrefixedSource& source, const ViewOptions& options,
                     std::ostream& out, std::ostream& err) {
  std::vector<std::uint8_t> bytes;
  std::vector<std::uint8_t> block(object::kSourceBlock);
  std::size_t got = 0;
  while ((got = source.read(block.data(), block.size())) > 0) {
    if (bytes.size() + got > kMaxLibraryBytes) {
      return reportFailure(path, {bytes.size(), "a library of more than 256 MiB is not shown"}, out,
                           err);
    }
    bytes.insert(bytes.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(got));
  }
  if (auto problem = source.error()) {
    out.flush();
    reportUnreadable(path, *problem, err);
    return kExitUsage;
  }
  LibraryViewResult result = viewLibrary(bytes, options, out);
  if (result.ok()) return kExitOk;
  object::ReadFailure failure = *result.failure;
  if (!result.where.empty()) failure.reason += " (in member " + result.where + ")";
  return reportFailure(path, failure, out, err);
}

// Reads the file as it goes: memory stays bounded whatever its size, and a foreign file
// is known by its first byte. A library is read whole and shown member by member.
int viewFile(const std::string& path, const ViewOptions& options, std::ostream& out,
             std::ostream& err) {
  object::FileSource file;
  if (auto problem = file.open(path)) {
    if (file.isDirectory()) {
      reportUnreadable(path, *problem, err);
      return kExitUsage;
    }
    err << "dumpzel: cannot open " << path << ": " << *problem << '\n';
    return kExitUsage;
  }
  std::vector<std::uint8_t> prefix(kLibraryPrefix);
  prefix.resize(file.read(prefix.data(), prefix.size()));
  bool library = object::looksLikeLibrary(prefix);
  PrefixedSource source(std::move(prefix), file);
  if (file.regularSize()) {
    out << path << ": " << *file.regularSize() << " bytes\n";
  } else {
    out << path << ": not a regular file, read as it comes\n";
  }
  if (library) return viewWholeLibrary(path, source, options, out, err);
  ViewResult result = viewModule(source, file.regularSize(), options, out);
  if (auto problem = source.error()) {
    out.flush();
    reportUnreadable(path, *problem, err);
    return kExitUsage;
  }
  if (result.ok()) return kExitOk;
  return reportFailure(path, *result.failure, out, err);
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
