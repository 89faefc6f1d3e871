#include "link/options.h"

#include <algorithm>
#include <string_view>

#include "common/host_path.h"
#include "link/link_script.h"

namespace kz::link {
namespace {

enum class Argument : std::uint8_t { none, separate, attachedOrSeparate, attachedOnly };

struct OptionEntry {
  std::string_view word;  // the option as written, without its argument
  Argument argument;
  void (*apply)(RunOptions&, const std::string&, Diagnostics&);
};

void setFormat(RunOptions& options, const std::string& value, Diagnostics& diagnostics) {
  struct FormatName {
    std::string_view name;
    ImageFormat format;
  };
  constexpr FormatName kFormats[] = {{"ieee", ImageFormat::ieee},
                                     {"hex", ImageFormat::intelHex},
                                     {"srec", ImageFormat::motorola},
                                     {"bin", ImageFormat::binary}};
  for (const FormatName& entry : kFormats) {
    if (entry.name == value) {
      options.format = entry.format;
      return;
    }
  }
  diagnostics.fatal(Message::invalidArgument, "-O " + value);
}

void setFill(RunOptions& options, const std::string& value, Diagnostics& diagnostics) {
  auto number = parseNumber(value);
  if (!number || *number > 0xFF) diagnostics.fatal(Message::invalidArgument, "-F" + value);
  options.fill = static_cast<std::uint8_t>(*number);
}

void setWarnings(RunOptions& options, const std::string& value, Diagnostics& diagnostics) {
  if (value.empty() || value == "1") {
    options.warnings = true;
  } else if (value == "0") {
    options.warnings = false;
  } else {
    diagnostics.fatal(Message::invalidArgument, "-w" + value);
  }
}

// Longer words first where one is a prefix of another (-lf before -L is not needed: case
// matters). Rows in the order of docs/linker.md.
// clang-format off
constexpr OptionEntry kOptions[] = {
    {"-KZEL", Argument::none,               [](RunOptions&, const std::string&, Diagnostics&) {}},
    {"-$",    Argument::none,               [](RunOptions& o, const std::string&, Diagnostics&) { o.quiet = true; }},
    {"-V",    Argument::none,               [](RunOptions& o, const std::string&, Diagnostics&) { o.verbose = true; }},
    {"-o",    Argument::attachedOrSeparate, [](RunOptions& o, const std::string& v, Diagnostics&) { o.output = v; }},
    {"-lf",   Argument::attachedOrSeparate, [](RunOptions& o, const std::string& v, Diagnostics&) { o.mapFile = v; }},
    {"-L",    Argument::attachedOrSeparate, [](RunOptions& o, const std::string& v, Diagnostics&) { o.libraryDirectories.push_back(v); }},
    {"-F",    Argument::attachedOrSeparate, setFill},
    {"-GF",   Argument::none,               [](RunOptions& o, const std::string&, Diagnostics&) { o.format = ImageFormat::intelHex; o.formattedImage = true; }},
    {"-O",    Argument::attachedOrSeparate, setFormat},
    {"-Mm",   Argument::none,               [](RunOptions& o, const std::string&, Diagnostics&) { o.mapBesideOutput = true; }},
    {"-T",    Argument::none,               [](RunOptions& o, const std::string&, Diagnostics&) { o.summary = true; }},
    {"-r",    Argument::none,               [](RunOptions& o, const std::string&, Diagnostics&) { o.relocatable = true; }},
    {"-u",    Argument::attachedOrSeparate, [](RunOptions& o, const std::string& v, Diagnostics&) { o.forcedSymbols.push_back(v); }},
    {"-ga",   Argument::none,               [](RunOptions& o, const std::string&, Diagnostics&) { o.publicsInImage = true; }},
    {"-gm",   Argument::attachedOrSeparate, [](RunOptions& o, const std::string& v, Diagnostics&) { o.symbolFile = v; }},
    {"-ng",   Argument::none,               [](RunOptions& o, const std::string&, Diagnostics&) { o.noSymbols = true; }},
    {"-k",    Argument::none,               [](RunOptions& o, const std::string&, Diagnostics&) { o.keepOnError = true; }},
    {"-e",    Argument::separate,           [](RunOptions& o, const std::string& v, Diagnostics&) { o.errorFile = v; }},
    {"-w",    Argument::attachedOnly,       setWarnings},
    {"-h",    Argument::none,               [](RunOptions& o, const std::string&, Diagnostics&) { o.help = true; }},
    {"--help", Argument::none,              [](RunOptions& o, const std::string&, Diagnostics&) { o.help = true; }},
    {"--version", Argument::none,           [](RunOptions& o, const std::string&, Diagnostics&) { o.version = true; }},
};
// clang-format on

// The driver escapes a file name that begins with '-' as "-- name".
std::string fileWord(const std::string& word) {
  return word.starts_with("-- ") ? word.substr(3) : word;
}

void addFile(RunOptions& options, const std::string& word) {
  std::string name = fileWord(word);
  std::string suffix(extensionOf(name));
  std::transform(suffix.begin(), suffix.end(), suffix.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (suffix == "lib" || suffix == "a") {
    options.libraries.push_back(name);
  } else if (suffix == "lcf" || suffix == "lnk") {
    options.commandFiles.push_back(name);
  } else {
    options.objects.push_back(name);
  }
}

// The entry whose word matches: exactly, or as a prefix when an argument may be attached.
const OptionEntry* findOption(const std::string& word) {
  const OptionEntry* best = nullptr;
  for (const OptionEntry& entry : kOptions) {
    bool exact = word == entry.word;
    bool prefix = entry.argument != Argument::none && entry.argument != Argument::separate &&
                  word.size() > entry.word.size() && word.starts_with(entry.word);
    if ((exact || prefix) && (best == nullptr || entry.word.size() > best->word.size()))
      best = &entry;
  }
  return best;
}

}  // namespace

RunOptions parseCommandLine(const std::vector<std::string>& words, Diagnostics& diagnostics) {
  RunOptions options;
  options.words = words;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (word.size() < 2 || word[0] != '-' || word.starts_with("-- ")) {
      addFile(options, word);
      continue;
    }
    if (word == "--") {
      for (++i; i < words.size(); ++i) addFile(options, words[i]);
      break;
    }
    const OptionEntry* entry = findOption(word);
    if (entry == nullptr) diagnostics.fatal(Message::unrecognizedOption, word);
    std::string value;
    if (word.size() > entry->word.size()) {
      value = word.substr(entry->word.size());
    } else if (entry->argument == Argument::separate ||
               entry->argument == Argument::attachedOrSeparate) {
      if (i + 1 >= words.size()) diagnostics.fatal(Message::missingParameter, word);
      // The drivers write a value that begins with '-' as "--" and the value.
      if (words[i + 1] == "--" && i + 2 < words.size()) ++i;
      value = fileWord(words[++i]);
    }
    entry->apply(options, value, diagnostics);
  }
  return options;
}

std::string_view formatSuffix(ImageFormat format) {
  switch (format) {
    case ImageFormat::ieee:
      return "abs";
    case ImageFormat::intelHex:
      return "hex";
    case ImageFormat::motorola:
      return "s19";
    case ImageFormat::binary:
      return "bin";
  }
  return "abs";
}

}  // namespace kz::link
