#pragma once
// The section-name table: one name per section kind and size, the current size of each kind,
// and the "\tN,..." records that tell the next pass which sections the objects go to. Names
// and sizes are set by the -Z section options and by #pragma section, and last for the run.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cfront/diagnostics.h"
#include "cfront/settings.h"

namespace kz::cfront {

std::optional<SizeWord> sizeWordOf(std::string_view text);
char sizeLetter(SizeWord size);
std::optional<SectionKind> sectionKindOf(std::string_view word);
// A section name begins with a letter or '_'.
bool isSectionName(std::string_view name);
// Sections of every kind but io are tiny or near; code and const are never tiny.
bool sectionSizeAllowed(SectionKind kind, SizeWord size);

class SectionTable {
 public:
  static constexpr std::uint32_t kMaxNumericSize = 65535;
  // A numeric size up to this many bytes makes a tiny section where the kind allows one.
  static constexpr std::uint32_t kTinySectionBytes = 256;

  SectionTable();

  // The -Zt/-Zd/-Za/-Zc/-Zi and -ZT/-ZD/-ZA/-ZC options in command-line order. A bad size
  // gives 402, a bad name 501 with the option's name; the option is then ignored.
  void applyOptions(const std::vector<SectionOption>& options, Diagnostics& diagnostics);
  // The lines written at start-up: for each kind an option named, one per named size.
  std::string startUpRecords() const;

  const std::string& nameOf(SectionKind kind, SizeWord size) const;
  SizeWord currentSize(SectionKind kind) const;

  // #pragma section: makes name (or the kind's current name) and size current and returns
  // the records that say so. size and number are already checked.
  std::string select(SectionKind kind, std::optional<std::string_view> name,
                     std::optional<SizeWord> size, std::optional<unsigned long> number);

 private:
  static constexpr std::size_t kSizedKinds = 4;  // all but io
  std::string namedLine(SectionKind kind, SizeWord size) const;
  std::string& slot(SectionKind kind, SizeWord size);

  std::array<std::array<std::string, 4>, kSizedKinds> names_;
  std::string ioName_;
  std::array<SizeWord, kSizedKinds> current_;
  std::array<bool, kSizedKinds + 1> namedByOption_{};
};

}  // namespace kz::cfront
