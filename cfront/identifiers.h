#pragma once
// Every identifier spelling of a translation unit once: the tokenizer finds a spelling's entry
// with one hash lookup, and the entry carries what the spelling is (a keyword, a reserved word)
// and its innermost declarations, so looking a name up in scope costs no further hashing.
#include <cstdint>
#include <cstring>
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

  [[gnu::noinline]] Identifier* insert(Slot& slot, std::string_view text, std::uint64_t head);
  // intern() for spellings of more than eight bytes, which need more than the head compared.
  [[gnu::noinline]] Identifier* internLong(std::string_view text);
  void grow();
  std::size_t indexOf(std::string_view text, std::uint64_t head) const;

  std::deque<Identifier> entries_;
  std::vector<Slot> slots_;  // open addressing, a power of two in size
  std::size_t mask_;         // the size of slots_ less one
  unsigned shift_;           // 64 less the bits of a slot index
  std::size_t used_ = 0;
};

// The hash of a spelling, shared by intern() here and the table's other work.
namespace identifier_hash {

inline constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ULL;

// Up to eight bytes as one word, with fixed-size copies only, so no call is made.
inline std::uint64_t loadWord(const char* at, std::size_t count) {
  std::uint64_t word = 0;
  if (count >= 8) {
    std::memcpy(&word, at, 8);
    return word;
  }
  std::size_t shift = 0;
  if (count & 4) {
    std::uint32_t piece;
    std::memcpy(&piece, at, 4);
    word = piece;
    at += 4;
    shift = 32;
  }
  if (count & 2) {
    std::uint16_t piece;
    std::memcpy(&piece, at, 2);
    word |= static_cast<std::uint64_t>(piece) << shift;
    at += 2;
    shift += 16;
  }
  if (count & 1) word |= static_cast<std::uint64_t>(static_cast<unsigned char>(*at)) << shift;
  return word;
}

}  // namespace identifier_hash

// Most names are short: their head and length are the whole spelling. Defined here so that
// the tokenizer has the common case inline.
inline Identifier* IdentifierTable::intern(std::string_view text) {
  if (text.size() > 8) return internLong(text);
  std::uint64_t head = identifier_hash::loadWord(text.data(), text.size());
  std::size_t at =
      static_cast<std::size_t>(((head ^ text.size()) * identifier_hash::kMultiplier) >> shift_);
  for (;; at = (at + 1) & mask_) {
    Slot& slot = slots_[at];
    if (!slot.entry) return insert(slot, text, head);
    if (slot.head == head && slot.length == text.size()) return slot.entry;
  }
}

}  // namespace kz::cfront
