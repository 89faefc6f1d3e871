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
  // An entry of the hash index. The first eight bytes of the spelling and its length are kept
  // here, so a short spelling is recognised without reading its entry.
  struct Slot {
    std::uint64_t head = 0;
    Identifier* entry = nullptr;
    std::uint32_t length = 0;
  };

  Identifier* insert(Slot& slot, std::string_view text, std::uint64_t head);
  // intern() for spellings of more than eight bytes, which need more than the head compared.
  Identifier* internLong(std::string_view text);
  void grow();
  std::size_t indexOf(std::string_view text, std::uint64_t head) const;

  std::deque<Identifier> entries_;
  std::vector<Slot> slots_;  // open addressing, a power of two in size
  std::size_t mask_;         // the size of slots_ less one
  unsigned shift_;           // 64 less the bits of a slot index
  std::size_t used_ = 0;
};

}  // namespace kz::cfront
