// The relocatable link (-r): the modules become one relocatable module. Sections of one
// name become one section (the pieces at their offsets), absolute sections stay absolute,
// publics keep their names, and every expression is rewritten in the terms of the new
// module: R n of a piece becomes "R n' offset +", S n its size, an external that some
// module defines becomes that definition, the others become externals of the new module.
#include <algorithm>
#include <unordered_map>

#include "common/host_path.h"
#include "link/linker.h"
#include "object/record_writer.h"

namespace kz::link {
namespace {

using object::Attribute;
using object::Expression;
using object::RecordCode;
using object::Term;
using object::TermKind;

constexpr int kMaxDepth = 64;
constexpr std::uint64_t kFirstPublicIndex = 32;

std::uint64_t alignUp(std::uint64_t value, std::uint64_t alignment) {
  return (value + alignment - 1) & ~(alignment - 1);
}

struct CombinedSection {
  const object::ModuleSection* first;
  std::uint64_t size = 0;
  std::uint64_t alignment = 1;
  object::AddressSize addressSize = object::AddressSize::bits24;
};

struct PieceTarget {
  std::uint64_t index;   // output section index, from 1
  std::uint64_t offset;  // of the piece in it
};

}  // namespace

class RelocatableWriter {
 public:
  RelocatableWriter(Linker& linker,
                    const std::unordered_map<std::string, SymbolDefinitionSite>& symbols)
      : linker_(linker), symbols_(symbols) {}

  std::vector<std::uint8_t> write(const std::string& commandLine);

 private:
  const std::deque<InputModule>& modules() const { return linker_.modules(); }
  void combineSections();
  bool rewrite(std::size_t module, const Expression& value, Expression& out, int depth);
  bool rewriteSymbol(const std::string& name, Expression& out, int depth);
  std::uint64_t externalIndex(const std::string& name);

  Linker& linker_;
  const std::unordered_map<std::string, SymbolDefinitionSite>& symbols_;
  std::vector<CombinedSection> sections_;
  std::vector<std::vector<PieceTarget>> targets_;  // per module, per section position
  std::unordered_map<std::string, std::uint64_t> externals_;
  std::vector<std::string> externalNames_;
};

void RelocatableWriter::combineSections() {
  std::unordered_map<std::string, std::size_t> byName;
  const auto& modules = linker_.modules();
  targets_.resize(modules.size());
  for (std::size_t m = 0; m < modules.size(); ++m) {
    const object::Module& module = modules[m].module;
    for (const object::ModuleSection& piece : module.sections) {
      std::size_t at = sections_.size();
      if (!piece.absolute) {
        auto [found, inserted] = byName.try_emplace(piece.name, at);
        at = found->second;
        if (!inserted) {
          CombinedSection& section = sections_[at];
          std::uint64_t offset = alignUp(section.size, piece.alignment);
          section.size = offset + piece.size;
          section.alignment = std::max(section.alignment, piece.alignment);
          section.addressSize = std::min(section.addressSize, piece.addressSize);
          targets_[m].push_back({at + 1, offset});
          continue;
        }
      }
      sections_.push_back({&piece, piece.size, piece.alignment, piece.addressSize});
      targets_[m].push_back({at + 1, 0});
    }
  }
}

std::uint64_t RelocatableWriter::externalIndex(const std::string& name) {
  auto [found, inserted] = externals_.try_emplace(name, externalNames_.size() + 1);
  if (inserted) externalNames_.push_back(name);
  return found->second;
}

bool RelocatableWriter::rewriteSymbol(const std::string& name, Expression& out, int depth) {
  auto site = symbols_.find(name);
  if (site == symbols_.end()) {
    out.push_back(Term::externalSymbol(externalIndex(name)));
    return true;
  }
  if (site->second.module == SIZE_MAX) {
    const SymbolDefinition& definition = linker_.script().definitions[site->second.position];
    if (definition.symbol) {
      if (!rewriteSymbol(*definition.symbol, out, depth + 1)) return false;
      out.push_back(Term::constant(definition.offset));
      out.push_back(Term::function(object::Function::add));
    } else {
      out.push_back(Term::constant(definition.offset));
    }
    return true;
  }
  const object::ModuleSymbol& symbol =
      linker_.modules()[site->second.module].module.publics[site->second.position];
  return rewrite(site->second.module, symbol.value, out, depth + 1);
}

bool RelocatableWriter::rewrite(std::size_t module, const Expression& value, Expression& out,
                                int depth) {
  const InputModule& input = linker_.modules()[module];
  if (depth > kMaxDepth || value.empty()) {
    linker_.diagnostics().report(Message::circularSymbol, "a symbol value of " + input.displayName,
                                 input.displayName);
    return false;
  }
  for (const Term& term : value) {
    if (term.kind != TermKind::variable) {
      out.push_back(term);
      continue;
    }
    switch (term.letter) {
      case 'R':
      case 'L':
      case 'S':
      case 'P': {
        auto position = input.module.sectionAt(term.value);
        if (!position) break;
        const object::ModuleSection& piece = input.module.sections[*position];
        PieceTarget target = targets_[module][*position];
        if (term.letter == 'S') {
          out.push_back(Term::unsignedConstant(piece.size));
        } else if (term.letter == 'P') {
          out.push_back(Term::loadPointer(target.index));
        } else if (piece.absolute) {
          out.push_back(Term::unsignedConstant(*piece.address));
        } else {
          Expression base =
              object::sectionRelative(target.index, static_cast<std::int64_t>(target.offset));
          out.insert(out.end(), base.begin(), base.end());
        }
        continue;
      }
      case 'X': {
        auto position = input.module.externalAt(term.value);
        if (!position) break;
        if (!rewriteSymbol(input.module.externals[*position].name, out, depth)) return false;
        continue;
      }
      case 'I': {
        auto position = input.module.publicAt(term.value);
        if (!position) break;
        if (!rewrite(module, input.module.publics[*position].value, out, depth + 1)) return false;
        continue;
      }
      case 'N': {
        auto position = input.module.localAt(term.value);
        if (!position) break;
        if (!rewrite(module, input.module.locals[*position].value, out, depth + 1)) return false;
        continue;
      }
      default:
        break;
    }
    linker_.diagnostics().report(
        Message::cannotEvaluate,
        "variable " + std::string(1, term.letter) + std::to_string(term.value) + " is not known",
        input.displayName);
    return false;
  }
  return true;
}

std::vector<std::uint8_t> RelocatableWriter::write(const std::string& commandLine) {
  combineSections();
  object::MemorySink sink;
  object::RecordWriter writer(&sink);
  auto put = [&](const object::Record& record) { (void)writer.write(record.bytes()); };
  auto begin = [](RecordCode code) { return object::recordOf(code); };
  object::PartOffsets parts{};
  auto mark = [&](object::Part part) {
    parts[static_cast<std::size_t>(part)] = static_cast<std::uint32_t>(writer.offset());
  };
  put(begin(RecordCode::moduleBegin).name("KZEL").name(stemOf(fileNameOf(linker_.outputName()))));
  put(begin(RecordCode::addressDescriptor)
          .number(object::kBitsPerMau)
          .number(object::kMausPerAddress)
          .letter(object::kLeastSignificantFirst));
  std::uint64_t headerAt = writer.offset();
  (void)writer.reserve(object::kPartPointerBytes);
  mark(object::Part::attribute);
  auto attribute = [&](std::uint64_t part, Attribute definition) {
    object::Record record = begin(RecordCode::attribute);
    record.letter('N').number(part).number(0).number(definition);
    return record;
  };
  put(begin(RecordCode::name).number(32).name(""));
  put(attribute(32, Attribute::formatVersion).number(4).number(0));
  put(attribute(32, Attribute::formatType).number(object::ModuleType::relocatable));
  put(attribute(32, Attribute::caseSensitivity).number(object::CaseSensitivity::kept));
  mark(object::Part::environment);
  put(begin(RecordCode::name).number(33).name(""));
  put(attribute(33, Attribute::commandLine).name(commandLine));
  put(attribute(33, Attribute::executionStatus).number(object::ExecutionStatus::success));

  if (!sections_.empty()) mark(object::Part::section);
  for (std::size_t i = 0; i < sections_.size(); ++i) {
    const CombinedSection& section = sections_[i];
    std::uint64_t index = i + 1;
    object::Record type = begin(RecordCode::sectionType).number(index);
    char kind = section.first->kind == object::SectionKind::code   ? 'P'
                : section.first->kind == object::SectionKind::data ? 'D'
                                                                   : 'R';
    if (section.first->absolute) {
      type.letter('A').letter('S');
    } else if (section.addressSize != object::AddressSize::bits24) {
      type.letter(section.addressSize == object::AddressSize::bits8 ? 'Z' : 'Y').letter('C');
    } else {
      type.letter('C');
    }
    put(type.letter(kind).name(section.first->name));
    if (!section.first->absolute)
      put(begin(RecordCode::sectionAlignment).number(index).number(section.alignment));
    put(begin(RecordCode::assign).letter('S').number(index).number(section.size));
    if (section.first->absolute)
      put(begin(RecordCode::assign).letter('L').number(index).number(*section.first->address));
  }

  // Publics first (their values may add externals), then the externals.
  std::vector<std::pair<std::string, Expression>> publics;
  for (std::size_t m = 0; m < modules().size(); ++m) {
    for (std::size_t i = 0; i < modules()[m].module.publics.size(); ++i) {
      const std::string& name = modules()[m].module.publics[i].name;
      auto site = symbols_.find(name);
      if (name.empty() || site == symbols_.end() || site->second.module != m ||
          site->second.position != i)
        continue;
      Expression value;
      if (rewriteSymbol(name, value, 0)) publics.push_back({name, std::move(value)});
    }
  }
  // Data, rewritten now so that every external it needs is known before the external part.
  object::MemorySink dataSink;
  object::RecordWriter data(&dataSink);
  const auto& modules = linker_.modules();
  std::uint64_t loadSection = 0;
  std::uint64_t loadOffset = 0;
  for (std::size_t m = 0; m < modules.size(); ++m) {
    const object::Module& module = modules[m].module;
    for (const object::ModuleLoad& load : module.loads) {
      PieceTarget target = targets_[m][load.section];
      const object::ModuleSection& piece = module.sections[load.section];
      std::uint64_t offset = target.offset + load.offset;
      // The load pointer is set only where the loads do not simply follow each other.
      if (target.index != loadSection || offset != loadOffset) {
        object::Record pointer = begin(RecordCode::assign).letter('P').number(target.index);
        if (piece.absolute) {
          pointer.number(*piece.address + load.offset);
        } else {
          pointer.expression(
              object::sectionRelative(target.index, static_cast<std::int64_t>(offset)));
        }
        (void)data.write(pointer.bytes());
      }
      loadSection = target.index;
      loadOffset = offset + load.size * load.repeat;
      if (load.relocation < 0) {
        std::span<const std::uint8_t> bytes(module.bytes.data() + load.bytesAt, load.size);
        if (load.repeat > 1 && load.size <= object::kMaxLoadCount) {
          (void)data.write(begin(RecordCode::repeat).number(load.repeat).bytes());
          (void)object::writeConstantData(data, RecordCode::loadRelocated, bytes);
        } else {
          for (std::uint64_t copy = 0; copy < load.repeat; ++copy)
            (void)object::writeConstantData(data, RecordCode::loadRelocated, bytes);
        }
        continue;
      }
      const object::ModuleRelocation& field =
          module.relocations[static_cast<std::size_t>(load.relocation)];
      Expression value;
      if (!rewrite(m, field.value, value, 0)) continue;
      if (load.repeat > 1) (void)data.write(begin(RecordCode::repeat).number(load.repeat).bytes());
      object::Record item = begin(RecordCode::loadRelocated);
      object::Bytes encoded;
      object::appendRelocationItem(encoded, field.check, value, field.width);
      (void)data.write(item.raw(encoded).bytes());
    }
  }
  (void)data.flush();

  if (!publics.empty() || !externalNames_.empty()) mark(object::Part::external);
  std::uint64_t index = kFirstPublicIndex;
  for (const auto& [name, value] : publics) {
    put(begin(RecordCode::publicName).number(index).name(name));
    put(begin(RecordCode::attribute)
            .letter('I')
            .number(index)
            .number(object::kUnknownType)
            .number(Attribute::assemblerSymbol)
            .number(0));
    put(begin(RecordCode::assign).letter('I').number(index).expression(value));
    ++index;
  }
  for (std::size_t i = 0; i < externalNames_.size(); ++i) {
    put(begin(RecordCode::externalName).number(i + 1).name(externalNames_[i]));
    put(begin(RecordCode::attribute)
            .letter('X')
            .number(i + 1)
            .number(object::kUnknownType)
            .omitted()
            .number(0));
  }
  if (!dataSink.bytes().empty()) mark(object::Part::data);
  (void)writer.write(dataSink.bytes());
  mark(object::Part::trailer);
  mark(object::Part::moduleEnd);
  put(begin(RecordCode::moduleEnd));
  (void)object::patchPartPointers(writer, headerAt, parts);
  (void)writer.flush();
  return sink.bytes();
}

std::vector<std::uint8_t> writeRelocatableModule(
    Linker& linker, const std::unordered_map<std::string, SymbolDefinitionSite>& symbols,
    const std::string& commandLine) {
  RelocatableWriter writer(linker, symbols);
  return writer.write(commandLine);
}

}  // namespace kz::link
