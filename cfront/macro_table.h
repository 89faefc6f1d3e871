#pragma once
// The macro table: every macro by name, in hash chains of a power-of-two number of buckets.
// A macro keeps its parameters and its body as tokens, parameter references marked, so an
// expansion copies tokens and never lexes the body again.
#include <bitset>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cfront/token.h"

namespace kz::cfront {

// The kind byte: 0-31 a function-like macro's parameter count, else one of these.
namespace macro_kind {
inline constexpr std::uint8_t kMaxParameters = 31;
inline constexpr std::uint8_t kObject = 255;
inline constexpr std::uint8_t kFixedText = 254;  // __STDC__, __ZEL__, __Xmsdos__
inline constexpr std::uint8_t kLine = 253;
inline constexpr std::uint8_t kFile = 252;
inline constexpr std::uint8_t kTime = 251;
inline constexpr std::uint8_t kDate = 250;
inline constexpr std::uint8_t kDefined = 248;
}  // namespace macro_kind

struct BodyItem {
  Token token;
  std::int16_t parameter = -1;  // the index of the parameter this token names
};

struct Macro {
  std::string name;
  std::uint8_t kind = macro_kind::kObject;
  std::uint32_t id = 0;  // unique for every definition of the run
  std::vector<std::string> parameters;
  std::vector<BodyItem> body;
  std::string bodyText;      // the body's spelling, one blank where white space stood
  std::uint64_t hash = 0;    // of the name, kept by the table
  Macro* chained = nullptr;  // the next macro of the same bucket

  bool functionLike() const { return kind <= macro_kind::kMaxParameters; }
  bool predefined() const { return kind != macro_kind::kObject && !functionLike(); }
  bool sameDefinition(const Macro& other) const {
    return kind == other.kind && parameters == other.parameters && bodyText == other.bodyText;
  }
};

class MacroTable {
 public:
  MacroTable() : buckets_(kFirstBuckets, nullptr) {}

  // False for most names that are no macro's, true for every one that is.
  bool mayBeDefined(std::string_view name) const { return filter_[filterIndex(name)]; }
  const Macro* find(std::string_view name) const {
    if (!mayBeDefined(name)) return nullptr;
    std::uint64_t hash = hashOf(name);
    for (const Macro* macro = buckets_[hash & (buckets_.size() - 1)]; macro;
         macro = macro->chained) {
      if (macro->hash == hash && macro->name == name) return macro;
    }
    return nullptr;
  }
  // Adds a macro of a name not yet defined; gives it its id.
  const Macro& add(std::unique_ptr<Macro> macro);
  // False when the name was not defined. The definition itself lives on to the end of the
  // run.
  bool remove(std::string_view name);
  std::size_t size() const { return size_; }

 private:
  static constexpr std::size_t kFirstBuckets = 256;
  static std::uint64_t hashOf(std::string_view name) {
    std::uint64_t hash = 0xCBF29CE484222325u;
    for (char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3u;
    return hash ^ (hash >> 29);
  }
  void grow();
  static std::size_t filterIndex(std::string_view name) {
    auto first = static_cast<unsigned char>(name.front());
    auto last = static_cast<unsigned char>(name.back());
    return ((first << 8) ^ last ^ (name.size() << 11)) & 0xFFFF;
  }

  std::vector<Macro*> buckets_;
  std::size_t size_ = 0;
  // Every definition of the run, removed ones too: a #undef among the arguments of a call
  // does not pull the macro from under it.
  std::vector<std::unique_ptr<Macro>> definitions_;
  std::bitset<65536> filter_;  // a name's bit is set once a macro of its shape exists
  std::uint32_t nextId_ = 1;
};

}  // namespace kz::cfront
