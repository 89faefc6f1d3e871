// The image formats. Each walks the output sections in address order and writes the bytes
// that were loaded; bytes no module loaded (gaps, reserved storage) are left out, except in
// the raw binary, which fills them, and in HEX and S-records when a fill byte is given.
#include <algorithm>
#include <cstdio>
#include <ctime>

#include "common/host_path.h"
#include "link/linker.h"
#include "object/record_writer.h"

namespace kz::link {
namespace {

using object::Attribute;
using object::RecordCode;

constexpr std::size_t kHexLineBytes = 16;
constexpr std::uint64_t kLinkerToolNumber = 0x19D;
constexpr std::uint64_t kAttributePartName = 32;
constexpr std::uint64_t kEnvironmentPartName = 33;

// A run of consecutive loaded bytes.
struct Run {
  std::uint64_t address;
  std::vector<std::uint8_t> bytes;
};

// The loaded bytes in address order, as runs; with a fill byte every gap between the
// lowest and the highest loaded address is filled.
std::vector<Run> loadedRuns(const Linker& linker, std::optional<std::uint8_t> fill,
                            bool romOnly = false) {
  std::vector<std::size_t> order;
  for (std::size_t i = 0; i < linker.sections().size(); ++i) {
    const OutputSection& section = linker.sections()[i];
    bool inRam = section.region != nullptr && section.region->kind == RegionKind::ram;
    if (section.address && !(romOnly && inRam)) order.push_back(i);
  }
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return *linker.sections()[a].address < *linker.sections()[b].address;
  });
  std::vector<Run> runs;
  for (std::size_t i : order) {
    const Linker::SectionImage& image = linker.images()[i];
    std::uint64_t base = *linker.sections()[i].address;
    for (std::size_t at = 0; at < image.bytes.size(); ++at) {
      if (!image.defined[at]) continue;
      std::uint64_t address = base + at;
      if (runs.empty() || runs.back().address + runs.back().bytes.size() != address) {
        if (fill && !runs.empty() && runs.back().address + runs.back().bytes.size() < address) {
          runs.back().bytes.resize(address - runs.back().address, *fill);
        } else {
          runs.push_back({address, {}});
        }
      }
      runs.back().bytes.push_back(image.bytes[at]);
    }
  }
  return runs;
}

void appendText(std::vector<std::uint8_t>& out, const std::string& text) {
  out.insert(out.end(), text.begin(), text.end());
}

// Intel HEX and S-records: "LL AAAA TT data" or "LL AAAA data" and a checksum.
std::string hexRecord(char start, int type, std::uint64_t address, int addressBytes,
                      std::span<const std::uint8_t> data, bool motorola) {
  std::vector<std::uint8_t> body;
  std::size_t count = data.size() + static_cast<std::size_t>(addressBytes) + (motorola ? 1 : 0);
  body.push_back(static_cast<std::uint8_t>(motorola ? count : data.size()));
  for (int b = addressBytes - 1; b >= 0; --b)
    body.push_back(static_cast<std::uint8_t>(address >> (8 * b)));
  if (!motorola) body.push_back(static_cast<std::uint8_t>(type));
  body.insert(body.end(), data.begin(), data.end());
  unsigned sum = 0;
  for (std::uint8_t byte : body) sum += byte;
  std::uint8_t check =
      motorola ? static_cast<std::uint8_t>(~sum) : static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
  constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text(1, start);
  if (motorola) text += static_cast<char>('0' + type);
  body.push_back(check);
  for (std::uint8_t byte : body) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0xF];
  }
  return text + "\n";
}

struct Date {
  int year, month, day, hour, minute, second;
};

// The image's date: SOURCE_DATE_EPOCH when set; else the newest creation date of the
// input modules, so the same inputs give the same image; else the clock.
Date linkTime(const Linker& linker) {
  std::tm parts{};
  auto epoch = linker.environment().lookup("SOURCE_DATE_EPOCH");
  std::time_t seconds = 0;
  bool fixed = epoch && !epoch->empty() && epoch->size() <= 18;
  for (char c : fixed ? *epoch : std::string()) {
    if (c < '0' || c > '9') fixed = false;
    seconds = seconds * 10 + (c - '0');
  }
  if (fixed) {
    gmtime_r(&seconds, &parts);
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
            parts.tm_hour,        parts.tm_min,     parts.tm_sec};
  }
  std::optional<std::array<std::uint64_t, object::kDateNumbers>> newest;
  for (const InputModule& input : linker.modules()) {
    const auto& date = input.module.creationDate;
    if (date && (!newest || *date > *newest)) newest = date;
  }
  if (newest) {
    auto field = [&](std::size_t i) {
      return static_cast<int>(std::min<std::uint64_t>((*newest)[i], 9999));
    };
    return {field(0), field(1), field(2), field(3), field(4), field(5)};
  }
  seconds = std::time(nullptr);
  localtime_r(&seconds, &parts);
  return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
          parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

char kindLetter(object::SectionKind kind) {
  switch (kind) {
    case object::SectionKind::code:
      return 'P';
    case object::SectionKind::data:
      return 'D';
    case object::SectionKind::romData:
      return 'R';
  }
  return 'P';
}

}  // namespace

// An absolute module: every placed section as an absolute section (A S P/D/R) with its
// address, its loaded bytes as LD records, the publics with -ga, the start address.
std::vector<std::uint8_t> writeIeeeImage(Linker& linker, const std::string& commandLine) {
  object::MemorySink sink;
  object::RecordWriter writer(&sink);
  auto write = [&](object::Record record) { (void)writer.write(record.bytes()); };
  auto begin = [](RecordCode code) { return object::recordOf(code); };
  object::PartOffsets parts{};
  auto mark = [&](object::Part part) {
    parts[static_cast<std::size_t>(part)] = static_cast<std::uint32_t>(writer.offset());
  };

  std::string moduleName(stemOf(fileNameOf(linker.outputName())));
  write(begin(RecordCode::moduleBegin).name("KZEL").name(moduleName));
  write(begin(RecordCode::addressDescriptor)
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
  write(begin(RecordCode::name).number(kAttributePartName).name(""));
  write(attribute(kAttributePartName, Attribute::formatVersion).number(4).number(0));
  write(attribute(kAttributePartName, Attribute::formatType).number(object::ModuleType::absolute));
  write(attribute(kAttributePartName, Attribute::caseSensitivity)
            .number(object::CaseSensitivity::kept));

  mark(object::Part::environment);
  Date date = linkTime(linker);
  write(begin(RecordCode::name).number(kEnvironmentPartName).name(""));
  write(attribute(kEnvironmentPartName, Attribute::creationDate)
            .number(static_cast<std::uint64_t>(date.year))
            .number(static_cast<std::uint64_t>(date.month))
            .number(static_cast<std::uint64_t>(date.day))
            .number(static_cast<std::uint64_t>(date.hour))
            .number(static_cast<std::uint64_t>(date.minute))
            .number(static_cast<std::uint64_t>(date.second)));
  write(attribute(kEnvironmentPartName, Attribute::commandLine).name(commandLine));
  write(attribute(kEnvironmentPartName, Attribute::executionStatus)
            .number(linker.diagnostics().errorCount() > 0     ? object::ExecutionStatus::errors
                    : linker.diagnostics().warningCount() > 0 ? object::ExecutionStatus::warnings
                                                              : object::ExecutionStatus::success));
  write(attribute(kEnvironmentPartName, Attribute::hostEnvironment)
            .number(object::HostEnvironment::unix));
  write(attribute(kEnvironmentPartName, Attribute::toolAndVersion)
            .number(kLinkerToolNumber)
            .number(1)
            .number(0)
            .letter('A'));

  // Sections numbered from 1 in address order.
  std::vector<std::size_t> order;
  for (std::size_t i = 0; i < linker.sections().size(); ++i) {
    if (linker.sections()[i].address && linker.sections()[i].size > 0) order.push_back(i);
  }
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return *linker.sections()[a].address < *linker.sections()[b].address;
  });
  if (!order.empty()) mark(object::Part::section);
  for (std::size_t n = 0; n < order.size(); ++n) {
    const OutputSection& section = linker.sections()[order[n]];
    write(begin(RecordCode::sectionType)
              .number(n + 1)
              .letter('A')
              .letter('S')
              .letter(kindLetter(section.kind))
              .name(section.name));
    write(begin(RecordCode::assign).letter('S').number(n + 1).number(section.size));
    write(begin(RecordCode::assign).letter('L').number(n + 1).number(*section.address));
  }
  const RunOptions& options = linker.options();
  if (options.publicsInImage && !options.noSymbols) {
    std::vector<Linker::PublicEntry> publics = linker.publicList();
    if (!publics.empty()) mark(object::Part::external);
    std::uint64_t index = 32;
    for (const Linker::PublicEntry& entry : publics) {
      write(begin(RecordCode::publicName).number(index).name(entry.name));
      write(begin(RecordCode::attribute)
                .letter('I')
                .number(index)
                .number(object::kUnknownType)
                .number(Attribute::assemblerSymbol)
                .number(0));
      write(begin(RecordCode::assign)
                .letter('I')
                .number(index)
                .number(static_cast<std::uint64_t>(entry.value) & 0xFFFFFF));
      ++index;
    }
  }
  if (!order.empty()) mark(object::Part::data);
  for (std::size_t n = 0; n < order.size(); ++n) {
    const OutputSection& section = linker.sections()[order[n]];
    const Linker::SectionImage& image = linker.images()[order[n]];
    std::size_t at = 0;
    while (at < image.bytes.size()) {
      if (!image.defined[at]) {
        ++at;
        continue;
      }
      std::size_t end = at;
      while (end < image.bytes.size() && image.defined[end]) ++end;
      write(begin(RecordCode::assign).letter('P').number(n + 1).number(*section.address + at));
      (void)object::writeConstantData(
          writer, RecordCode::loadConstant,
          std::span<const std::uint8_t>(image.bytes).subspan(at, end - at));
      at = end;
    }
  }
  mark(object::Part::trailer);
  if (linker.startAddress())
    write(begin(RecordCode::assign).letter('G').number(*linker.startAddress()));
  mark(object::Part::moduleEnd);
  write(begin(RecordCode::moduleEnd));
  (void)object::patchPartPointers(writer, headerAt, parts);
  (void)writer.flush();
  return sink.bytes();
}

// Data records of 16 bytes; an extended linear address record (04) before bytes above
// FFFF; the start address as record 05; the end record.
std::vector<std::uint8_t> writeIntelHex(const Linker& linker, std::optional<std::uint8_t> fill) {
  std::vector<std::uint8_t> out;
  std::uint64_t upper = 0;
  for (const Run& run : loadedRuns(linker, fill)) {
    for (std::size_t at = 0; at < run.bytes.size();) {
      std::uint64_t address = run.address + at;
      if ((address >> 16) != upper) {
        upper = address >> 16;
        std::uint8_t high[2] = {static_cast<std::uint8_t>(upper >> 8),
                                static_cast<std::uint8_t>(upper)};
        appendText(out, hexRecord(':', 4, 0, 2, high, false));
      }
      // A record does not cross a 64 KiB boundary.
      std::size_t count =
          std::min<std::size_t>({kHexLineBytes, run.bytes.size() - at,
                                 static_cast<std::size_t>(0x10000 - (address & 0xFFFF))});
      appendText(out,
                 hexRecord(':', 0, address & 0xFFFF, 2,
                           std::span<const std::uint8_t>(run.bytes).subspan(at, count), false));
      at += count;
    }
  }
  if (linker.startAddress()) {
    std::uint64_t start = *linker.startAddress();
    std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(start >> 24), static_cast<std::uint8_t>(start >> 16),
        static_cast<std::uint8_t>(start >> 8), static_cast<std::uint8_t>(start)};
    appendText(out, hexRecord(':', 5, 0, 2, bytes, false));
  }
  appendText(out, ":00000001FF\n");
  return out;
}

// S0 header (the output name), S1 data records (S2 when an address needs 24 bits), S5 with
// the number of data records, S9 (S8) with the start address.
std::vector<std::uint8_t> writeMotorola(const Linker& linker, std::optional<std::uint8_t> fill) {
  std::vector<Run> runs = loadedRuns(linker, fill);
  bool wide = false;
  for (const Run& run : runs) wide = wide || run.address + run.bytes.size() > 0x10000;
  std::vector<std::uint8_t> out;
  std::string name(fileNameOf(linker.outputName()));
  appendText(out, hexRecord('S', 0, 0, 2,
                            std::span<const std::uint8_t>(
                                reinterpret_cast<const std::uint8_t*>(name.data()),
                                std::min<std::size_t>(name.size(), 64)),
                            true));
  std::uint64_t records = 0;
  for (const Run& run : runs) {
    for (std::size_t at = 0; at < run.bytes.size(); at += kHexLineBytes) {
      std::size_t count = std::min(kHexLineBytes, run.bytes.size() - at);
      appendText(out, hexRecord('S', wide ? 2 : 1, run.address + at, wide ? 3 : 2,
                                std::span<const std::uint8_t>(run.bytes).subspan(at, count), true));
      ++records;
    }
  }
  if (records <= 0xFFFF) appendText(out, hexRecord('S', 5, records, 2, {}, true));
  std::uint64_t start = linker.startAddress().value_or(0);
  appendText(out, hexRecord('S', wide ? 8 : 9, start, wide ? 3 : 2, {}, true));
  return out;
}

// The bytes from the lowest to the highest loaded address outside the RAM regions, gaps
// filled: the image a programmer writes into the part's ROM.
std::vector<std::uint8_t> writeBinary(const Linker& linker, std::uint8_t fill) {
  std::vector<Run> runs = loadedRuns(linker, fill, true);
  if (runs.empty()) return {};
  return runs.front().bytes;  // with a fill byte the runs are one
}

}  // namespace kz::link
