// Placement: sections of one name from every module become one output section; absolute
// sections stay where they are; the command file's rules put the rest into regions, first
// fit from the region's start, in the order of the rules; what no rule names goes by its
// kind (CODE and ROMDATA into the first ROM region, DATA into the first RAM region).
#include <algorithm>
#include <cstdio>
#include <unordered_map>

#include "link/linker.h"

namespace kz::link {
namespace {

std::string hex(std::uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%04llX", static_cast<unsigned long long>(value));
  return text;
}

std::uint64_t alignUp(std::uint64_t value, std::uint64_t alignment) {
  return (value + alignment - 1) & ~(alignment - 1);
}

std::uint64_t addressLimit(object::AddressSize size) {
  switch (size) {
    case object::AddressSize::bits8:
      return 0xFF;
    case object::AddressSize::bits16:
      return 0xFFFF;
    case object::AddressSize::bits24:
      return 0xFFFFFF;
  }
  return 0xFFFFFF;
}

struct Interval {
  std::uint64_t start;
  std::uint64_t end;  // inclusive
};

}  // namespace

class Placer {
 public:
  explicit Placer(Linker& linker) : linker_(linker), diagnostics_(linker.diagnostics_) {}
  void run();

 private:
  void buildSections();
  void placeAbsolute();
  void applyRules();
  void placeByKind();
  void checkOverlaps();
  void assignAddresses();
  // First fit inside [low, high] of a region; false when nothing fits.
  bool allocate(std::size_t region, OutputSection& section, std::uint64_t low, std::uint64_t high);
  void carve(std::size_t region, std::uint64_t start, std::uint64_t size);
  std::optional<std::size_t> regionHolding(std::uint64_t start, std::uint64_t size) const;
  void placeAt(OutputSection& section, std::uint64_t address, const Placement& rule);
  void placeIn(OutputSection& section, std::size_t region, const Placement* rule);
  void overflow(std::size_t region, const OutputSection& section);
  std::string describe(const OutputSection& section) const;

  Linker& linker_;
  Diagnostics& diagnostics_;
  std::vector<OutputSection>& sections_ = linker_.sections_;
  std::unordered_map<std::string, std::size_t> byName_;  // relocatable sections
  std::vector<std::vector<Interval>> free_;              // per region, sorted
  std::vector<std::uint64_t> shortBy_;                   // per region: bytes that did not fit
  std::vector<std::string> firstMisfit_;
  std::vector<bool> claimed_;
};

void Placer::run() {
  buildSections();
  const auto& regions = linker_.script_.regions;
  for (const Region& region : regions) free_.push_back({{region.start, region.end}});
  shortBy_.assign(regions.size(), 0);
  firstMisfit_.assign(regions.size(), {});
  placeAbsolute();
  applyRules();
  placeByKind();
  for (std::size_t r = 0; r < regions.size(); ++r) {
    if (shortBy_[r] == 0) continue;
    std::uint64_t freeBytes = 0;
    for (const Interval& gap : free_[r]) freeBytes += gap.end - gap.start + 1;
    std::uint64_t over = shortBy_[r] > freeBytes ? shortBy_[r] - freeBytes : 0;
    diagnostics_.report(Message::regionOverflow,
                        regions[r].name + " (" + hex(regions[r].start) + ".." +
                            hex(regions[r].end) + ") by " + std::to_string(over) + " bytes; " +
                            firstMisfit_[r] + " does not fit",
                        regions[r].file, regions[r].line);
  }
  checkOverlaps();
  assignAddresses();
}

void Placer::buildSections() {
  for (std::size_t m = 0; m < linker_.modules_.size(); ++m) {
    const object::Module& module = linker_.modules_[m].module;
    for (std::size_t s = 0; s < module.sections.size(); ++s) {
      const object::ModuleSection& piece = module.sections[s];
      if (piece.absolute) {
        OutputSection section;
        section.name = piece.name;
        section.kind = piece.kind;
        section.absolute = true;
        section.addressSize = object::AddressSize::bits16;
        section.pieces.push_back({m, s, 0});
        section.size = piece.size;
        section.address = piece.address;
        sections_.push_back(std::move(section));
        continue;
      }
      auto [found, inserted] = byName_.try_emplace(piece.name, sections_.size());
      if (inserted) {
        OutputSection section;
        section.name = piece.name;
        section.kind = piece.kind;
        section.addressSize = piece.addressSize;
        sections_.push_back(std::move(section));
      }
      OutputSection& section = sections_[found->second];
      if (section.kind != piece.kind) {
        diagnostics_.report(Message::placedTwice,
                            piece.name + " is " + std::string(object::sectionKindName(piece.kind)) +
                                " here but " + std::string(object::sectionKindName(section.kind)) +
                                " in an earlier module",
                            linker_.modules_[m].displayName);
      }
      std::uint64_t offset = alignUp(section.size, piece.alignment);
      section.pieces.push_back({m, s, offset});
      section.size = offset + piece.size;
      section.alignment = std::max(section.alignment, piece.alignment);
      if (piece.page) section.page = std::max(section.page.value_or(0), *piece.page);
      section.addressSize = std::min(section.addressSize, piece.addressSize);
    }
  }
  claimed_.assign(sections_.size(), false);
}

std::optional<std::size_t> Placer::regionHolding(std::uint64_t start, std::uint64_t size) const {
  const auto& regions = linker_.script_.regions;
  for (std::size_t r = 0; r < regions.size(); ++r) {
    if (start >= regions[r].start && start + size - 1 <= regions[r].end) return r;
  }
  return std::nullopt;
}

void Placer::carve(std::size_t region, std::uint64_t start, std::uint64_t size) {
  if (size == 0) return;
  std::uint64_t end = start + size - 1;
  std::vector<Interval>& list = free_[region];
  std::vector<Interval> next;
  next.reserve(list.size() + 1);
  for (const Interval& gap : list) {
    if (gap.end < start || gap.start > end) {
      next.push_back(gap);
      continue;
    }
    if (gap.start < start) next.push_back({gap.start, start - 1});
    if (gap.end > end) next.push_back({end + 1, gap.end});
  }
  list = std::move(next);
}

bool Placer::allocate(std::size_t region, OutputSection& section, std::uint64_t low,
                      std::uint64_t high) {
  for (const Interval& gap : free_[region]) {
    std::uint64_t start = alignUp(std::max(gap.start, low), section.alignment);
    if (section.page && section.size <= *section.page &&
        start / *section.page !=
            (start + std::max<std::uint64_t>(section.size, 1) - 1) / *section.page)
      start = alignUp(start, *section.page);
    std::uint64_t last = start + std::max<std::uint64_t>(section.size, 1) - 1;
    if (section.size == 0) last = start;
    if (last > gap.end || last > high) continue;
    section.address = start;
    carve(region, start, section.size);
    return true;
  }
  return false;
}

void Placer::overflow(std::size_t region, const OutputSection& section) {
  if (firstMisfit_[region].empty())
    firstMisfit_[region] =
        "section " + section.name + " (" + std::to_string(section.size) + " bytes)";
  shortBy_[region] += section.size;
}

void Placer::placeAbsolute() {
  for (OutputSection& section : sections_) {
    if (!section.absolute || section.size == 0) continue;
    std::uint64_t start = *section.address;
    auto region = regionHolding(start, section.size);
    if (region) {
      section.region = &linker_.script_.regions[*region];
      carve(*region, start, section.size);
    } else {
      diagnostics_.report(
          Message::outsideRegions,
          section.name + " (" + hex(start) + ".." + hex(start + section.size - 1) + ")",
          linker_.modules_[section.pieces[0].module].displayName);
      // Whatever part lies inside a region is taken from it.
      for (std::size_t r = 0; r < free_.size(); ++r) carve(r, start, section.size);
    }
  }
}

void Placer::placeAt(OutputSection& section, std::uint64_t address, const Placement& rule) {
  section.address = alignUp(address, std::max(section.alignment, rule.alignment));
  section.placedByRule = true;
  if (section.size == 0) return;
  auto region = regionHolding(*section.address, section.size);
  if (region) {
    section.region = &linker_.script_.regions[*region];
    carve(*region, *section.address, section.size);
  } else {
    for (std::size_t r = 0; r < free_.size(); ++r) carve(r, *section.address, section.size);
  }
}

void Placer::placeIn(OutputSection& section, std::size_t region, const Placement* rule) {
  if (rule != nullptr) section.alignment = std::max(section.alignment, rule->alignment);
  const Region& target = linker_.script_.regions[region];
  section.region = &target;
  section.placedByRule = rule != nullptr;
  std::uint64_t high = std::min(target.end, addressLimit(section.addressSize));
  if (!allocate(region, section, target.start, high)) {
    section.address.reset();
    overflow(region, section);
  }
}

void Placer::applyRules() {
  auto& rules = linker_.script_.placements;
  // Sections named by a rule are taken by that rule only.
  for (Placement& rule : rules) {
    for (const PlacementTarget& target : rule.targets) {
      if (target.byKind) continue;
      auto found = byName_.find(target.name);
      if (found == byName_.end()) continue;
      if (claimed_[found->second]) {
        diagnostics_.report(Message::placedTwice, target.name, rule.file, rule.line);
        continue;
      }
      claimed_[found->second] = true;
    }
  }
  std::vector<bool> ruleOf(sections_.size(), false);
  for (Placement& rule : rules) {
    std::vector<std::size_t> chosen;
    for (const PlacementTarget& target : rule.targets) {
      if (!target.byKind) {
        auto found = byName_.find(target.name);
        if (found != byName_.end() && !ruleOf[found->second]) chosen.push_back(found->second);
        continue;
      }
      for (std::size_t i = 0; i < sections_.size(); ++i) {
        if (!sections_[i].absolute && !claimed_[i] && !ruleOf[i] &&
            sections_[i].kind == target.kind)
          chosen.push_back(i);
      }
    }
    // A rule naming a section that no module has is worth a warning; a kind that no
    // module uses is not (the default map names every kind).
    for (const PlacementTarget& target : rule.targets) {
      if (!target.byKind && byName_.count(target.name) == 0)
        diagnostics_.report(Message::ruleUnused, target.name, rule.file, rule.line);
    }
    if (chosen.empty()) continue;
    rule.used = true;
    std::uint64_t next = rule.address.value_or(0);
    for (std::size_t i : chosen) {
      ruleOf[i] = true;
      OutputSection& section = sections_[i];
      if (rule.purpose == PlacementPurpose::vectorTable && section.size > kCallvTableSize) {
        diagnostics_.report(Message::vectorTable,
                            section.name + " holds " + std::to_string(section.size) +
                                " bytes; the CALLV table has room for " +
                                std::to_string(kCallvTableSize),
                            rule.file, rule.line);
      }
      if (rule.address) {
        placeAt(section, next, rule);
        next = *section.address + section.size;
        continue;
      }
      if (rule.purpose == PlacementPurpose::callPage) {
        bool placed = false;
        for (std::size_t r = 0; r < free_.size() && !placed; ++r) {
          placed = allocate(r, section, kCallpPage, kCallpPageEnd);
          if (placed) section.region = &linker_.script_.regions[r];
        }
        section.placedByRule = true;
        if (!placed) {
          diagnostics_.report(Message::vectorTable,
                              section.name + " does not fit the free part of the CALLP page " +
                                  hex(kCallpPage) + ".." + hex(kCallpPageEnd),
                              rule.file, rule.line);
        }
        continue;
      }
      const Region* region = rule.region ? linker_.script_.findRegion(*rule.region) : nullptr;
      if (region == nullptr) continue;  // reported by the script check
      placeIn(section, static_cast<std::size_t>(region - linker_.script_.regions.data()), &rule);
    }
  }
  for (std::size_t i = 0; i < sections_.size(); ++i) claimed_[i] = claimed_[i] || ruleOf[i];
}

void Placer::placeByKind() {
  const auto& regions = linker_.script_.regions;
  for (std::size_t i = 0; i < sections_.size(); ++i) {
    OutputSection& section = sections_[i];
    if (section.absolute || claimed_[i]) continue;
    RegionKind wanted =
        section.kind == object::SectionKind::data ? RegionKind::ram : RegionKind::rom;
    std::optional<std::size_t> region;
    for (std::size_t r = 0; r < regions.size() && !region; ++r) {
      if (regions[r].kind == wanted) region = r;
    }
    if (!region) {
      diagnostics_.report(Message::noRegion,
                          section.name + " (" + std::string(object::sectionKindName(section.kind)) +
                              "): there is no " + (wanted == RegionKind::ram ? "RAM" : "ROM") +
                              " region");
      continue;
    }
    placeIn(section, *region, nullptr);
  }
}

void Placer::checkOverlaps() {
  std::vector<const OutputSection*> placed;
  for (const OutputSection& section : sections_) {
    if (section.address && section.size > 0) placed.push_back(&section);
    if (!section.address || section.size == 0) continue;
    std::uint64_t end = *section.address + section.size - 1;
    std::uint64_t limit = section.absolute ? 0xFFFF : addressLimit(section.addressSize);
    if (end > limit) {
      diagnostics_.report(Message::addressRange,
                          section.name + " ends at " + hex(end) + ", beyond " + hex(limit));
    }
  }
  std::sort(placed.begin(), placed.end(), [](const OutputSection* a, const OutputSection* b) {
    return *a->address < *b->address;
  });
  std::uint64_t reach = 0;
  const OutputSection* reacher = nullptr;
  for (const OutputSection* section : placed) {
    if (reacher != nullptr && *section->address < reach) {
      diagnostics_.report(Message::sectionsOverlap,
                          describe(*reacher) + " and " + describe(*section));
    }
    if (*section->address + section->size > reach) {
      reach = *section->address + section->size;
      reacher = section;
    }
  }
}

// "boot of first.rel (0x8000..0x8002)"
std::string Placer::describe(const OutputSection& section) const {
  std::string text =
      section.name + " of " + linker_.modules_[section.pieces.front().module].displayName;
  if (section.pieces.size() > 1) text += " and others";
  return text + " (" + hex(*section.address) + ".." + hex(*section.address + section.size - 1) +
         ")";
}

void Placer::assignAddresses() {
  for (OutputSection& section : sections_) {
    if (!section.address) continue;
    for (const OutputSection::Piece& piece : section.pieces)
      linker_.modules_[piece.module].sectionAddress[piece.section] =
          *section.address + piece.offset;
  }
}

void Linker::place() {
  Placer placer(*this);
  placer.run();
}

}  // namespace kz::link
