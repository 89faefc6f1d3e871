// libFuzzer target: the link command file parser and its whole-script checks take any
// text and report problems as messages, never crashing.
#include <cstddef>
#include <cstdint>
#include <sstream>

#include "link/link_script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::ostringstream err;
  kz::link::Diagnostics diagnostics("LNKZEL", err);
  kz::link::LinkScript script;
  kz::link::parseLinkScript(text, "fuzz.lcf", script, diagnostics);
  kz::link::checkLinkScript(script, diagnostics);
  for (const kz::link::Region& region : script.regions) {
    if (region.end < region.start) __builtin_trap();
  }
  return 0;
}
