#include "cfront/macro_table.h"

namespace kz::cfront {

const Macro& MacroTable::add(std::unique_ptr<Macro> macro) {
  macro->id = nextId_++;
  filter_[filterIndex(macro->name)] = true;
  std::string_view key = macro->name;  // the entry owns the text the key views
  auto [place, added] = macros_.emplace(key, std::move(macro));
  return *place->second;
}

bool MacroTable::remove(std::string_view name) { return macros_.erase(name) > 0; }

}  // namespace kz::cfront
