#include "cfront/scopes.h"

namespace kz::cfront {

void Scopes::open() {
  if (open_ == blocks_.size()) blocks_.emplace_back();
  ++open_;
}

void Scopes::close() {
  Block& block = innermost();
  for (auto it = block.symbols.rbegin(); it != block.symbols.rend(); ++it)
    (*it)->id->symbol = (*it)->outer;
  for (auto it = block.tags.rbegin(); it != block.tags.rend(); ++it) (*it)->tag = (*it)->tag->outer;
  block.symbols.clear();
  block.tags.clear();
  --open_;
}

void Scopes::declare(Symbol* symbol) {
  if (!symbol->id) symbol->id = identifiers_.intern(symbol->name);
  symbol->scopeDepth = depth();
  symbol->outer = symbol->id->symbol;
  symbol->id->symbol = symbol;
  innermost().symbols.push_back(symbol);
}

Record* Scopes::findTag(std::string_view tag) {
  TagEntry* entry = identifiers_.intern(tag)->tag;
  return entry ? entry->record : nullptr;
}

Record* Scopes::findTagHere(std::string_view tag) {
  TagEntry* entry = identifiers_.intern(tag)->tag;
  return entry && entry->depth == depth() ? entry->record : nullptr;
}

void Scopes::declareTag(std::string_view tag, Record* record) {
  Identifier* id = identifiers_.intern(tag);
  TagEntry& entry = tagEntries_.emplace_back();
  entry.record = record;
  entry.depth = depth();
  entry.outer = id->tag;
  id->tag = &entry;
  innermost().tags.push_back(id);
}

}  // namespace kz::cfront
