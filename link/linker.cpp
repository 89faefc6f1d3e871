#include "link/linker.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>

#include "common/cleanup.h"
#include "common/fatal_error.h"
#include "common/host_path.h"
#include "common/install_root.h"
#include "common/notice.h"
#include "link/file_io.h"

namespace kz::link {
namespace {

constexpr const char* kBannerTitle = "KORV-ZEL Linker";
constexpr const char* kVersion = "V1.0a";
constexpr int kMaxSymbolDepth = 64;

std::string hex(std::uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%04llX", static_cast<unsigned long long>(value));
  return text;
}

}  // namespace

Linker::Linker(ProgramEnvironment environment, std::ostream& out, std::ostream& err)
    : environment_(std::move(environment)), out_(out), err_(err), diagnostics_("LNKZEL", err) {}

int Linker::run() {
  try {
    options_ = parseCommandLine(environment_.arguments(), diagnostics_);
    if (options_.errorFile) diagnostics_.copyTo(*options_.errorFile);
    diagnostics_.setWarningsShown(options_.warnings);
    if (options_.verbose || (!options_.quiet && !options_.help)) {
      out_ << kBannerTitle << ' ' << kVersion << '\n' << kCopyrightNotice << "\n\n";
    }
    if (options_.help) {
      for (const std::string& root : installRootCandidates(environment_)) {
        std::ifstream help(root + "/etc/lnkzel.hlp", std::ios::binary);
        if (!help) continue;
        out_ << help.rdbuf();
        return kExitOk;
      }
      out_ << "usage: lnkzel [options] object-file... [library...] [command-file]\n";
      return kExitOk;
    }
    if (options_.version) {
      out_ << "lnkzel " << kVersion << '\n';
      return kExitOk;
    }
    readInputs();
    if (diagnostics_.errorCount() > 0) return diagnostics_.exitStatus();
    resolve();
    if (options_.relocatable && !options_.output)
      diagnostics_.fatal(Message::missingParameter, "-o (a relocatable link names its output)");
    if (diagnostics_.errorCount() == 0 && !options_.relocatable) place();
    if (diagnostics_.errorCount() == 0 && !options_.relocatable) {
      relocate();
      resolveStart();
    }
    if (diagnostics_.errorCount() == 0 || options_.keepOnError) writeOutputs();
  } catch (const FatalError& fatal) {
    cleanup::removeRegisteredFiles();
    return fatal.exitStatus();
  } catch (const std::bad_alloc&) {
    cleanup::removeRegisteredFiles();
    diagnostics_.report(Message::outOfMemory, "");
    return kExitFatal;
  }
  return diagnostics_.exitStatus();
}

// ---- Inputs

void Linker::readInputs() {
  if (options_.objects.empty() && options_.commandFiles.empty())
    diagnostics_.fatal(Message::noInput, "");
  for (const std::string& file : options_.commandFiles) readCommandFile(file, false);
  // Command files that define no region (only a start symbol, say) keep the default map.
  if (script_.regions.empty()) {
    // The default memory map, from the installation root.
    bool found = false;
    for (const std::string& root : installRootCandidates(environment_)) {
      std::string path = root + "/etc/lnkzel.lcf";
      if (!fileExists(path)) continue;
      readCommandFile(path, true);
      found = true;
      break;
    }
    if (!found) diagnostics_.fatal(Message::cantOpen, "<root>/etc/lnkzel.lcf");
  }
  checkLinkScript(script_, diagnostics_);
  std::vector<std::string> objects = options_.objects;
  objects.insert(objects.end(), script_.inputs.begin(), script_.inputs.end());
  if (objects.empty()) diagnostics_.fatal(Message::noInput, "");
  for (const std::string& file : objects) readObject(file);
  std::vector<std::string> libraries = options_.libraries;
  libraries.insert(libraries.end(), script_.libraries.begin(), script_.libraries.end());
  for (const std::string& file : libraries) readLibrary(file);
}

void Linker::readCommandFile(const std::string& file, bool fromDefault) {
  auto text = readWholeFile(file);
  if (!text) diagnostics_.fatal(Message::cantOpen, file);
  scriptFiles_.push_back(std::make_unique<std::string>(fromDefault ? "lnkzel.lcf" : file));
  std::string_view bytes(reinterpret_cast<const char*>(text->data()), text->size());
  parseLinkScript(bytes, *scriptFiles_.back(), script_, diagnostics_);
}

void Linker::readObject(const std::string& file) {
  auto bytes = readWholeFile(file);
  if (!bytes) diagnostics_.fatal(Message::cantOpen, file);
  if (object::looksLikeLibrary(*bytes)) {
    readLibrary(file);
    return;
  }
  addModule(file, file, *bytes, 0);
}

void Linker::addModule(const std::string& file, std::string displayName,
                       std::span<const std::uint8_t> bytes, std::size_t start) {
  object::ModuleReadResult result = object::readModule(bytes, start);
  if (!result.module) {
    if (result.failure->offset == start && bytes.size() > start &&
        bytes[start] != static_cast<std::uint8_t>(object::RecordCode::moduleBegin)) {
      diagnostics_.report(Message::notAnObject, result.failure->reason, displayName);
    } else {
      diagnostics_.report(
          Message::damagedObject,
          "at offset " + hex(result.failure->offset) + ": " + result.failure->reason, displayName);
    }
    return;
  }
  if (result.module->processor != "KZEL") {
    diagnostics_.report(Message::wrongProcessor,
                        "for processor \"" + result.module->processor + "\", not KZEL",
                        displayName);
    return;
  }
  InputModule input;
  input.file = file;
  input.displayName = std::move(displayName);
  input.module = std::move(*result.module);
  input.sectionAddress.assign(input.module.sections.size(), 0);
  input.publicValues.assign(input.module.publics.size(), std::nullopt);
  input.publicState.assign(input.module.publics.size(), 0);
  modules_.push_back(std::move(input));
  definePublics(modules_.size() - 1);
}

std::string Linker::findLibrary(const std::string& name) const {
  if (fileExists(name) || isAbsoluteName(name)) return name;
  for (const std::string& directory : options_.libraryDirectories) {
    std::string path = directory;
    if (!path.empty() && !isSeparator(path.back())) path += '/';
    path += name;
    if (fileExists(path)) return path;
  }
  return name;
}

void Linker::readLibrary(const std::string& name) {
  std::string file = findLibrary(name);
  auto bytes = readWholeFile(file);
  if (!bytes) diagnostics_.fatal(Message::cantOpen, name);
  object::LibraryReadResult result = object::readLibrary(*bytes);
  if (!result.library) {
    diagnostics_.report(Message::damagedLibrary,
                        "at offset " + hex(result.failure->offset) + ": " + result.failure->reason,
                        file);
    return;
  }
  LoadedLibrary library;
  library.file = file;
  library.bytes = std::move(*bytes);
  library.loaded.assign(result.library->members.size(), false);
  library.library = std::move(*result.library);
  libraries_.push_back(std::move(library));
}

// ---- Symbols

void Linker::definePublics(std::size_t module) {
  const InputModule& input = modules_[module];
  for (std::size_t i = 0; i < input.module.publics.size(); ++i) {
    const object::ModuleSymbol& symbol = input.module.publics[i];
    if (symbol.name.empty()) continue;
    auto [found, inserted] = symbols_.try_emplace(symbol.name, SymbolDefinitionSite{module, i});
    if (inserted) continue;
    const SymbolDefinitionSite& first = found->second;
    std::string where = first.module == SIZE_MAX ? script_.definitions[first.position].file
                                                 : modules_[first.module].displayName;
    diagnostics_.report(Message::duplicatePublic,
                        "\"" + symbol.name + "\" (first defined in " + where + ")",
                        input.displayName);
  }
}

void Linker::resolve() {
  definitionState_.assign(script_.definitions.size(), 0);
  definitionValues_.assign(script_.definitions.size(), std::nullopt);
  for (std::size_t i = 0; i < script_.definitions.size(); ++i) {
    const SymbolDefinition& definition = script_.definitions[i];
    if (!symbols_.try_emplace(definition.name, SymbolDefinitionSite{SIZE_MAX, i}).second)
      diagnostics_.report(Message::duplicatePublic, "\"" + definition.name + "\" (DEFINE)",
                          definition.file, definition.line);
  }
  pullLibraryMembers();
  for (const LoadedLibrary& library : libraries_) {
    if (!library.used) diagnostics_.report(Message::unusedLibrary, library.file);
  }
  for (const std::string& forced : options_.forcedSymbols) {
    if (symbols_.count(forced) == 0)
      diagnostics_.report(Message::undefinedSymbol, "\"" + forced + "\" (forced in by -u)");
  }
}

// Loads every library member that defines a symbol some loaded module needs, again and
// again until a whole round adds nothing.
void Linker::pullLibraryMembers() {
  std::size_t scanned = 0;  // modules whose externals were looked at
  std::vector<std::string> wanted(options_.forcedSymbols);
  bool added = true;
  while (added) {
    added = false;
    for (; scanned < modules_.size(); ++scanned) {
      for (const object::ModuleSymbol& external : modules_[scanned].module.externals)
        wanted.push_back(external.name);
    }
    for (const std::string& name : wanted) {
      if (symbols_.count(name) != 0) continue;
      for (LoadedLibrary& library : libraries_) {
        auto member = library.library.memberOfSymbol.find(name);
        if (member == library.library.memberOfSymbol.end() || library.loaded[member->second])
          continue;
        library.loaded[member->second] = true;
        library.used = true;
        const object::LibraryMember& entry = library.library.members[member->second];
        addModule(library.file, library.file + "(" + entry.name + ")", library.bytes,
                  static_cast<std::size_t>(entry.offset));
        added = true;
        break;
      }
    }
    wanted.clear();
  }
}

std::optional<std::int64_t> Linker::symbolValue(const std::string& name) {
  auto found = symbols_.find(name);
  if (found == symbols_.end()) return std::nullopt;
  if (found->second.module == SIZE_MAX) return definitionValue(found->second.position, 0);
  return publicValue(found->second.module, found->second.position);
}

std::optional<std::int64_t> Linker::definitionValue(std::size_t position, int depth) {
  if (definitionState_[position] == 2) return definitionValues_[position];
  const SymbolDefinition& definition = script_.definitions[position];
  if (definitionState_[position] == 1 || depth > kMaxSymbolDepth) {
    diagnostics_.report(Message::circularSymbol, definition.name, definition.file, definition.line);
    definitionState_[position] = 2;
    return std::nullopt;
  }
  definitionState_[position] = 1;
  std::optional<std::int64_t> value = definition.offset;
  if (definition.symbol) {
    auto base = symbolValue(*definition.symbol);
    if (!base) {
      diagnostics_.report(Message::undefinedSymbol,
                          *definition.symbol + "\" (in DEFINE " + definition.name, definition.file,
                          definition.line);
      value.reset();
    } else {
      value = *base + definition.offset;
    }
  }
  definitionValues_[position] = value;
  definitionState_[position] = 2;
  return value;
}

void Linker::resolveStart() {
  if (!script_.startSymbol) return;
  auto value = symbolValue(*script_.startSymbol);
  if (!value) {
    diagnostics_.report(Message::undefinedStart, "\"" + *script_.startSymbol + "\"",
                        script_.startFile, script_.startLine);
    return;
  }
  startAddress_ = static_cast<std::uint64_t>(*value);
}

std::vector<Linker::PublicEntry> Linker::publicList() {
  std::vector<PublicEntry> list;
  for (std::size_t m = 0; m < modules_.size(); ++m) {
    for (std::size_t i = 0; i < modules_[m].module.publics.size(); ++i) {
      const std::string& name = modules_[m].module.publics[i].name;
      if (name.empty()) continue;
      auto site = symbols_.find(name);
      if (site == symbols_.end() || site->second.module != m || site->second.position != i)
        continue;
      if (auto value = publicValue(m, i)) list.push_back({name, *value, m});
    }
  }
  for (std::size_t i = 0; i < script_.definitions.size(); ++i) {
    auto site = symbols_.find(script_.definitions[i].name);
    if (site == symbols_.end() || site->second.module != SIZE_MAX || site->second.position != i)
      continue;
    if (auto value = definitionValue(i, 0))
      list.push_back({script_.definitions[i].name, *value, SIZE_MAX});
  }
  std::sort(list.begin(), list.end(),
            [](const PublicEntry& a, const PublicEntry& b) { return a.name < b.name; });
  return list;
}

// ---- Outputs

void Linker::writeOutputs() {
  ImageFormat format = options_.format.value_or(ImageFormat::ieee);
  std::string base(
      stemOf(options_.objects.empty() ? script_.inputs.front() : options_.objects.front()));
  outputName_ = options_.output.value_or(base + "." + std::string(formatSuffix(format)));
  if (!options_.output && options_.formattedImage && format == ImageFormat::intelHex) {
    // The drivers name an image of -GF ".abf".
    outputName_ = base + ".abf";
  }
  for (const InputModule& input : modules_) {
    if (sameFile(input.file, outputName_)) diagnostics_.fatal(Message::sameFile, outputName_);
  }
  std::string commandLine;
  for (const std::string& word : options_.words) commandLine += word + " ";
  std::vector<std::uint8_t> image;
  if (options_.relocatable) {
    image = writeRelocatableModule(*this, symbols_, commandLine);
  } else {
    switch (format) {
      case ImageFormat::ieee:
        image = writeIeeeImage(*this, commandLine);
        break;
      case ImageFormat::intelHex:
        image = writeIntelHex(*this, options_.fill);
        break;
      case ImageFormat::motorola:
        image = writeMotorola(*this, options_.fill);
        break;
      case ImageFormat::binary:
        image = writeBinary(*this, options_.fill.value_or(0xFF));
        break;
    }
  }
  OutputSet outputs;
  auto add = [&](const std::string& path, const std::vector<std::uint8_t>& bytes) {
    if (!outputs.add(path, bytes)) diagnostics_.fatal(Message::cantWrite, path);
  };
  add(outputName_, image);
  std::optional<std::string> map = options_.mapFile;
  if (!map && options_.mapBesideOutput)
    map = std::string(directoryOf(outputName_)) + std::string(stemOf(outputName_)) + ".map";
  if (map) {
    std::string text = writeMapFile(*this);
    add(*map, std::vector<std::uint8_t>(text.begin(), text.end()));
  }
  if (options_.symbolFile) {
    std::string text = writeSymbolFile(*this);
    add(*options_.symbolFile, std::vector<std::uint8_t>(text.begin(), text.end()));
  }
  std::string failed;
  if (!outputs.commit(failed)) diagnostics_.fatal(Message::cantWrite, failed);
  if (options_.summary) {
    for (const OutputSection& section : sections_) {
      out_ << section.name << ' ' << hex(section.address.value_or(0)) << ' ' << hex(section.size)
           << '\n';
    }
  }
}

}  // namespace kz::link
