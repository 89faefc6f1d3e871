#include "cfront/scopes.h"

namespace kz::cfront {

void Scopes::open() { blocks_.emplace_back(); }

void Scopes::close() {
  Block& block = blocks_.back();
  for (auto it = block.symbols.rbegin(); it != block.symbols.rend(); ++it) {
    Symbol* symbol = *it;
    auto found = names_.find(symbol->name);
    if (found == names_.end()) continue;
    if (symbol->outer)
      found->second = symbol->outer;
    else
      names_.erase(found);
  }
  for (auto it = block.tags.rbegin(); it != block.tags.rend(); ++it) {
    auto found = tags_.find(*it);
    if (found == tags_.end()) continue;
    if (found->second->outer)
      found->second = found->second->outer;
    else
      tags_.erase(found);
  }
  blocks_.pop_back();
}

Symbol* Scopes::find(std::string_view name) const {
  auto found = names_.find(name);
  return found == names_.end() ? nullptr : found->second;
}

Symbol* Scopes::findHere(std::string_view name) const {
  Symbol* symbol = find(name);
  return symbol && symbol->scopeDepth == depth() ? symbol : nullptr;
}

void Scopes::declare(Symbol* symbol) {
  symbol->scopeDepth = depth();
  Symbol*& slot = names_[symbol->name];
  symbol->outer = slot;
  slot = symbol;
  blocks_.back().symbols.push_back(symbol);
}

Record* Scopes::findTag(std::string_view tag) const {
  auto found = tags_.find(tag);
  return found == tags_.end() ? nullptr : found->second->record;
}

Record* Scopes::findTagHere(std::string_view tag) const {
  auto found = tags_.find(tag);
  return found != tags_.end() && found->second->depth == depth() ? found->second->record : nullptr;
}

void Scopes::declareTag(std::string_view tag, Record* record) {
  auto entry = std::make_unique<TagEntry>();
  entry->record = record;
  entry->depth = depth();
  TagEntry*& slot = tags_[tag];
  entry->outer = slot;
  slot = entry.get();
  tagEntries_.push_back(std::move(entry));
  blocks_.back().tags.push_back(tag);
}

}  // namespace kz::cfront
