// The map file: the command line, the regions with their use, a memory picture, the
// sections with the modules they came from, and the publics by name and by address.
// It holds no date, so the same link gives the same map.
#include <algorithm>
#include <cstdio>

#include "link/linker.h"

namespace kz::link {
namespace {

std::string hex4(std::uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "%04llX", static_cast<unsigned long long>(value));
  return text;
}

std::string padded(std::string text, std::size_t width) {
  if (text.size() < width) text.resize(width, ' ');
  return text;
}

std::vector<const OutputSection*> byAddress(const Linker& linker) {
  std::vector<const OutputSection*> list;
  for (const OutputSection& section : linker.sections()) {
    if (section.address) list.push_back(&section);
  }
  std::stable_sort(list.begin(), list.end(), [](const OutputSection* a, const OutputSection* b) {
    return *a->address < *b->address;
  });
  return list;
}

}  // namespace

std::string writeMapFile(Linker& linker) {
  std::string text = "LNKZEL map of " + linker.outputName() + "\n\nCommand line:";
  for (const std::string& word : linker.options().words) text += " " + word;
  text += "\n\nMemory regions\n  Name             Kind  Start  End    Size   Used   Free\n";
  std::vector<const OutputSection*> sections = byAddress(linker);
  for (const Region& region : linker.script().regions) {
    std::uint64_t used = 0;
    for (const OutputSection* section : sections) {
      std::uint64_t start = std::max(*section->address, region.start);
      std::uint64_t end = std::min(*section->address + section->size, region.end + 1);
      if (end > start) used += end - start;
    }
    text += "  " + padded(region.name, 16) + " " +
            (region.kind == RegionKind::rom ? "ROM " : "RAM ") + "  " + hex4(region.start) + "   " +
            hex4(region.end) + "   " + hex4(region.size()) + "   " + hex4(used) + "   " +
            hex4(region.size() - used) + "\n";
  }
  text += "\nMemory picture\n";
  for (const Region& region : linker.script().regions) {
    std::uint64_t at = region.start;
    text += "  " + region.name + "\n";
    for (const OutputSection* section : sections) {
      std::uint64_t start = *section->address;
      if (section->size == 0 || start + section->size <= region.start || start > region.end)
        continue;
      if (start > at) text += "    " + hex4(at) + "-" + hex4(start - 1) + "  (free)\n";
      text += "    " + hex4(start) + "-" + hex4(start + section->size - 1) + "  " + section->name +
              "\n";
      at = std::max(at, start + section->size);
    }
    if (at <= region.end) text += "    " + hex4(at) + "-" + hex4(region.end) + "  (free)\n";
  }
  text += "\nSections\n  Start  End    Size   Kind     Name             Module\n";
  for (const OutputSection* section : sections) {
    for (const OutputSection::Piece& piece : section->pieces) {
      const object::ModuleSection& part =
          linker.modules()[piece.module].module.sections[piece.section];
      std::uint64_t start = *section->address + piece.offset;
      std::string end = part.size == 0 ? "    " : hex4(start + part.size - 1);
      text += "  " + hex4(start) + "   " + end + "   " + hex4(part.size) + "   " +
              padded(std::string(object::sectionKindName(section->kind)), 8) + " " +
              padded(section->name, 16) + " " + linker.modules()[piece.module].displayName +
              (section->absolute ? " (absolute)" : "") + "\n";
    }
  }
  std::vector<Linker::PublicEntry> publics = linker.publicList();
  auto line = [&](const Linker::PublicEntry& entry) {
    std::string from =
        entry.module == SIZE_MAX ? "(command file)" : linker.modules()[entry.module].displayName;
    return "  " + hex4(static_cast<std::uint64_t>(entry.value) & 0xFFFFFF) + "   " +
           padded(entry.name, 24) + " " + from + "\n";
  };
  text += "\nPublic symbols by name\n";
  for (const Linker::PublicEntry& entry : publics) text += line(entry);
  std::stable_sort(
      publics.begin(), publics.end(),
      [](const Linker::PublicEntry& a, const Linker::PublicEntry& b) { return a.value < b.value; });
  text += "\nPublic symbols by address\n";
  for (const Linker::PublicEntry& entry : publics) text += line(entry);
  if (linker.startAddress()) text += "\nStart address " + hex4(*linker.startAddress()) + "\n";
  return text;
}

// One line per public: address, blank, name; by address.
std::string writeSymbolFile(Linker& linker) {
  std::vector<Linker::PublicEntry> publics = linker.publicList();
  std::stable_sort(
      publics.begin(), publics.end(),
      [](const Linker::PublicEntry& a, const Linker::PublicEntry& b) { return a.value < b.value; });
  std::string text;
  for (const Linker::PublicEntry& entry : publics)
    text += hex4(static_cast<std::uint64_t>(entry.value) & 0xFFFFFF) + " " + entry.name + "\n";
  return text;
}

}  // namespace kz::link
