#include "cfront/macro_table.h"

namespace kz::cfront {

const Macro& MacroTable::add(std::unique_ptr<Macro> macro) {
  macro->id = nextId_++;
  filter_[filterIndex(macro->name)] = true;
  std::string_view key = macro->name;  // the entry owns the text the key views
  auto [place, added] = macros_.emplace(key, std::move(macro));
  return *place->second;
}

bool MacroTable::remove(std::string_view name) {
  auto found = macros_.find(name);
  if (found == macros_.end()) return false;
  removed_.push_back(std::move(found->second));
  macros_.erase(found);
  return true;
}

}  // namespace kz::cfront
