#pragma once
// One link: the inputs read, symbols resolved, sections placed, relocations applied, the
// image and map written. All per-run state lives in a Linker.
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/handover.h"
#include "link/diagnostics.h"
#include "link/link_script.h"
#include "link/options.h"
#include "object/library.h"
#include "object/module_reader.h"

namespace kz::link {

struct InputModule {
  std::string file;         // the object or library file
  std::string displayName;  // "main.rel", or "util.lib(delay)"
  object::Module module;
  std::vector<std::uint64_t> sectionAddress;  // per section position, once placed
  std::vector<std::optional<std::int64_t>> publicValues;
  std::vector<std::uint8_t> publicState;  // 0 not evaluated, 1 in progress, 2 done
};

// A section as placed: every module's section of one relocatable name, laid out one after
// the other, or one absolute section.
struct OutputSection {
  std::string name;
  object::SectionKind kind = object::SectionKind::code;
  bool absolute = false;
  object::AddressSize addressSize = object::AddressSize::bits16;
  struct Piece {
    std::size_t module;
    std::size_t section;
    std::uint64_t offset;  // from the start of the output section
  };
  std::vector<Piece> pieces;
  std::uint64_t size = 0;
  std::uint64_t alignment = 1;
  std::optional<std::uint64_t> page;
  std::optional<std::uint64_t> address;
  const Region* region = nullptr;
  bool placedByRule = false;
};

struct SymbolDefinitionSite {
  std::size_t module = SIZE_MAX;  // SIZE_MAX: a DEFINE of the command file
  std::size_t position = 0;       // public position, or definition position
};

struct LoadedLibrary {
  std::string file;
  std::vector<std::uint8_t> bytes;
  object::Library library;
  std::vector<bool> loaded;  // per member
  bool used = false;
};

class Linker {
 public:
  Linker(ProgramEnvironment environment, std::ostream& out, std::ostream& err);
  // Runs the whole link; returns the exit status. Fatal messages end it early.
  int run();

  // ---- Shared between the stages (link/*.cpp).
  Diagnostics& diagnostics() { return diagnostics_; }
  const ProgramEnvironment& environment() const { return environment_; }
  const RunOptions& options() const { return options_; }
  const LinkScript& script() const { return script_; }
  const std::deque<InputModule>& modules() const { return modules_; }
  const std::vector<OutputSection>& sections() const { return sections_; }
  const std::vector<LoadedLibrary>& libraries() const { return libraries_; }
  std::optional<std::int64_t> symbolValue(const std::string& name);
  std::optional<std::uint64_t> startAddress() const { return startAddress_; }
  const std::string& outputName() const { return outputName_; }

  // Bytes of the image by output section, after relocation; defined marks loaded bytes.
  struct SectionImage {
    std::vector<std::uint8_t> bytes;
    std::vector<bool> defined;
  };
  const std::vector<SectionImage>& images() const { return images_; }

  // Publics by name with their values, sorted by name (after relocation).
  struct PublicEntry {
    std::string name;
    std::int64_t value;
    std::size_t module;
  };
  std::vector<PublicEntry> publicList();

 private:
  friend class Placer;
  friend class Relocator;

  void readInputs();
  void readObject(const std::string& file);
  void addModule(const std::string& file, std::string displayName,
                 std::span<const std::uint8_t> bytes, std::size_t start);
  void readLibrary(const std::string& file);
  void readCommandFile(const std::string& file, bool fromDefault);
  std::string findLibrary(const std::string& name) const;
  void definePublics(std::size_t module);
  void resolve();
  void pullLibraryMembers();
  void place();
  void relocate();
  void resolveStart();
  void writeOutputs();
  std::optional<std::int64_t> publicValue(std::size_t module, std::size_t position);
  std::optional<std::int64_t> definitionValue(std::size_t position, int depth);

  ProgramEnvironment environment_;
  std::ostream& out_;
  std::ostream& err_;
  Diagnostics diagnostics_;
  RunOptions options_;
  LinkScript script_;
  std::vector<std::unique_ptr<std::string>> scriptFiles_;  // names the regions point into
  std::deque<InputModule> modules_;                        // a deque: growing never copies a module
  std::vector<LoadedLibrary> libraries_;
  std::unordered_map<std::string, SymbolDefinitionSite> symbols_;
  std::vector<std::string> undefinedOrder_;  // wanted names, in the order first met
  std::vector<OutputSection> sections_;
  std::vector<SectionImage> images_;
  std::optional<std::uint64_t> startAddress_;
  std::string outputName_;
  std::vector<std::uint8_t> definitionState_;
  std::vector<std::optional<std::int64_t>> definitionValues_;
};

// Image writers (link/image_writer.cpp): each returns the complete file.
std::vector<std::uint8_t> writeIeeeImage(Linker& linker, const std::string& commandLine);
std::vector<std::uint8_t> writeIntelHex(const Linker& linker, std::optional<std::uint8_t> fill);
std::vector<std::uint8_t> writeMotorola(const Linker& linker, std::optional<std::uint8_t> fill);
std::vector<std::uint8_t> writeBinary(const Linker& linker, std::uint8_t fill);
// The one module of a relocatable link (link/relocatable_output.cpp).
std::vector<std::uint8_t> writeRelocatableModule(
    Linker& linker, const std::unordered_map<std::string, SymbolDefinitionSite>& symbols,
    const std::string& commandLine);
// The map file (link/map_file.cpp) and the symbol file of -gm.
std::string writeMapFile(Linker& linker);
std::string writeSymbolFile(Linker& linker);

}  // namespace kz::link
