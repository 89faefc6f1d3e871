#pragma once
// The scopes of a translation unit: ordinary names and tags. The innermost declaration of a
// name hangs on its identifier entry; each open block keeps what it declared, so closing it
// puts back the declarations it hid. Labels have function scope and a table of their own.
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "cfront/identifiers.h"
#include "cfront/syntax_tree.h"

namespace kz::cfront {

struct TagEntry {
  Record* record = nullptr;
  int depth = 0;
  TagEntry* outer = nullptr;
};

struct LabelEntry {
  Symbol* symbol = nullptr;
  bool defined = false;
  bool used = false;
};

class Scopes {
 public:
  explicit Scopes(IdentifierTable& identifiers) : identifiers_(identifiers) {
    blocks_[0].symbols.reserve(kFirstFileSymbols);
  }

  int depth() const { return static_cast<int>(open_) - 1; }
  void open();
  void close();

  Symbol* find(const Identifier* id) const { return id ? id->symbol : nullptr; }
  // The declaration of the name in the innermost scope, nullptr when it has none there.
  Symbol* findHere(const Identifier* id) const {
    Symbol* symbol = id ? id->symbol : nullptr;
    return symbol && symbol->scopeDepth == depth() ? symbol : nullptr;
  }
  void declare(Symbol* symbol);

  Record* findTag(std::string_view tag);
  Record* findTagHere(std::string_view tag);
  void declareTag(std::string_view tag, Record* record);

  // Function scope of labels.
  LabelEntry& label(std::string_view name) { return labels_[name]; }
  std::unordered_map<std::string_view, LabelEntry>& labels() { return labels_; }
  void clearLabels() { labels_.clear(); }

 private:
  // Room for the file scope's symbols of a small file, so that the list does not grow through
  // every small size on the way; a larger file doubles it from there.
  static constexpr std::size_t kFirstFileSymbols = 512;

  struct Block {
    std::vector<Symbol*> symbols;
    std::vector<Identifier*> tags;
  };

  IdentifierTable& identifiers_;
  std::deque<TagEntry> tagEntries_;
  Block& innermost() { return blocks_[open_ - 1]; }

  // Closed blocks stay, emptied, so that the next block opened reuses their storage.
  std::vector<Block> blocks_{1};
  std::size_t open_ = 1;
  std::unordered_map<std::string_view, LabelEntry> labels_;
};

}  // namespace kz::cfront
