#pragma once
// The macros of the run, apart from the symbol table: 512 chains picked by the low bits of
// the name hash, a new name at the head of its chain. Replacement texts live in one area of
// fixed size; a function-like macro's text holds "@@%04d" in place of each parameter.
#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "clike/string_pool.h"

namespace kz::clike {

enum class MacroKind : std::uint8_t { undefined, definedEmpty, objectLike, functionLike };

struct MacroEntry {
  std::string_view name;
  MacroKind kind = MacroKind::undefined;
  std::uint8_t parameterCount = 0;
  std::string_view text;
  std::uint8_t includeDepth = 0;  // 0: the main file or the command line
  std::int32_t debugNumber = 0;   // 0: none
  MacroEntry* next = nullptr;     // in its chain
  std::uint64_t hash = 0;
};

class MacroTable {
 public:
  static constexpr std::size_t kChains = 512;
  static constexpr std::size_t kTextArea = 8192;
  static constexpr std::size_t kTextReserve = 190;  // a text may not come closer to the end
  static constexpr int kMaxParameters = 31;

  // The entry of a name, or nullptr; an undefined entry is returned too.
  MacroEntry* find(std::string_view name, std::uint64_t hash);

  // Makes or reuses the name's entry with the given definition. Returns false (and stores
  // nothing) when the text would come within kTextReserve bytes of the area's end.
  bool define(std::string_view name, std::uint64_t hash, MacroKind kind, int parameterCount,
              std::string_view text, int includeDepth, MacroEntry** defined = nullptr);
  // Marks the name undefined, making an entry when there is none.
  void undefine(std::string_view name, std::uint64_t hash);

  std::size_t textAreaUsed() const { return textUsed_; }
  // Counts the definitions and undefinitions made: what a name means may have changed when
  // it moves.
  std::uint32_t changes() const { return changes_; }
  const std::deque<MacroEntry>& entries() const { return entries_; }

 private:
  MacroEntry& entryFor(std::string_view name, std::uint64_t hash);

  std::array<MacroEntry*, kChains> chains_{};
  std::deque<MacroEntry> entries_;
  StringPool names_;
  std::array<char, kTextArea> textArea_{};
  std::size_t textUsed_ = 0;
  std::uint32_t changes_ = 0;
};

}  // namespace kz::clike
