#include "cfront/macro_table.h"

namespace kz::cfront {

const Macro& MacroTable::add(std::unique_ptr<Macro> macro) {
  macro->id = nextId_++;
  macro->hash = hashOf(macro->name);
  filter_[filterIndex(macro->name)] = true;
  Macro*& bucket = buckets_[macro->hash & (buckets_.size() - 1)];
  macro->chained = bucket;
  bucket = macro.get();
  definitions_.push_back(std::move(macro));
  if (++size_ > buckets_.size()) grow();
  return *definitions_.back();
}

void MacroTable::grow() {
  std::vector<Macro*> bigger(buckets_.size() * 2, nullptr);
  for (Macro* chain : buckets_) {
    while (chain) {
      Macro* macro = chain;
      chain = chain->chained;
      Macro*& bucket = bigger[macro->hash & (bigger.size() - 1)];
      macro->chained = bucket;
      bucket = macro;
    }
  }
  buckets_.swap(bigger);
}

bool MacroTable::remove(std::string_view name) {
  std::uint64_t hash = hashOf(name);
  for (Macro** link = &buckets_[hash & (buckets_.size() - 1)]; *link; link = &(*link)->chained) {
    Macro* macro = *link;
    if (macro->hash == hash && macro->name == name) {
      *link = macro->chained;
      macro->chained = nullptr;
      --size_;
      return true;
    }
  }
  return false;
}

}  // namespace kz::cfront
