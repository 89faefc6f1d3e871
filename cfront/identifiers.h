#pragma once
// Every identifier spelling of a translation unit once: the tokenizer finds a spelling's entry
// with one hash lookup, and the entry carries what the spelling is (a keyword, a reserved word)
// and its innermost declarations, so looking a name up in scope costs no further hashing.
#include <cstdint>
#include <deque>
#include <string_view>
#include <vector>

namespace kz::cfront {

struct Symbol;
struct TagEntry;

struct Identifier {
  static constexpr std::size_t kInlineLength = 32;

  std::string_view text;  // the spelling, kept in `spelling` when it fits
  char spelling[kInlineLength];
  Symbol* symbol = nullptr;  // the innermost ordinary declaration
  TagEntry* tag = nullptr;   // the innermost struct/union/enum tag
  std::uint8_t keyword = 0;  // a token kind (Tok) when the spelling is a keyword, else 0
  bool reserved = false;     // a reserved extended word (408)
};

class IdentifierTable {
 public:
  IdentifierTable();
  Identifier* intern(std::string_view text);

 private:
  void grow();
  static std::uint64_t hashOf(std::string_view text);

  struct Slot {
    std::uint64_t hash = 0;
    Identifier* entry = nullptr;
  };

  std::deque<Identifier> entries_;
  std::vector<Slot> slots_;  // open addressing, a power of two in size
  std::size_t used_ = 0;
};

}  // namespace kz::cfront
