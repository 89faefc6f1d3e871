#pragma once
// The scopes of a translation unit: ordinary names and tags, each a hash table from name to
// the innermost declaration, with the declarations of every open block kept for undoing when
// the block closes. Labels have function scope and a table of their own.
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

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
  int depth() const { return static_cast<int>(blocks_.size()) - 1; }
  void open();
  void close();

  Symbol* find(std::string_view name) const;
  // The declaration of the name in the innermost scope, nullptr when it has none there.
  Symbol* findHere(std::string_view name) const;
  void declare(Symbol* symbol);

  Record* findTag(std::string_view tag) const;
  Record* findTagHere(std::string_view tag) const;
  void declareTag(std::string_view tag, Record* record);

  // Function scope of labels.
  LabelEntry& label(std::string_view name) { return labels_[name]; }
  std::unordered_map<std::string_view, LabelEntry>& labels() { return labels_; }
  void clearLabels() { labels_.clear(); }

 private:
  struct Block {
    std::vector<Symbol*> symbols;
    std::vector<std::string_view> tags;
  };

  std::unordered_map<std::string_view, Symbol*> names_;
  std::unordered_map<std::string_view, TagEntry*> tags_;
  std::vector<std::unique_ptr<TagEntry>> tagEntries_;
  std::vector<Block> blocks_{1};
  std::unordered_map<std::string_view, LabelEntry> labels_;
};

}  // namespace kz::cfront
