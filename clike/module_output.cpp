#include "clike/module_output.h"

#include <string>
#include <string_view>
#include <vector>

#include "clike/console.h"

namespace kz::clike {
namespace {

constexpr int kNamesPerLine = 5;

// "\textern \tmedium _a,_b" lines of five names, or "\tpublic\t_a,_b".
void appendNameLines(std::string& text, std::string_view head,
                     const std::vector<std::string_view>& names) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    text += i % kNamesPerLine == 0 ? head : std::string_view(",");
    text += '_';
    text += names[i];
    if (i % kNamesPerLine == kNamesPerLine - 1 || i + 1 == names.size()) text += '\n';
  }
}

// The lists go out in one piece: a module may name many thousands.
void writeLists(const ModuleInfo& module, std::FILE* out) {
  std::string text;
  for (SizeAttribute attribute : {SizeAttribute::tiny, SizeAttribute::near}) {
    std::vector<std::string_view> names;
    for (const SymbolEntry* symbol : module.externals) {
      if (symbol->defined) continue;
      SizeAttribute own =
          symbol->attribute == SizeAttribute::tiny ? SizeAttribute::tiny : SizeAttribute::near;
      if (own == attribute) names.push_back(symbol->name);
    }
    if (attribute == SizeAttribute::near && module.usesSwitchRoutine) names.push_back("_switch");
    appendNameLines(
        text, attribute == SizeAttribute::tiny ? "\textern \tsmall " : "\textern \tmedium ", names);
  }
  for (Area area : {Area::io, Area::area, Area::data, Area::constant, Area::code}) {
    std::vector<std::string_view> names;
    for (const SymbolEntry* symbol : module.publics) {
      bool function = symbol->area == Area::function || symbol->area == Area::secondFunction;
      Area own = function ? Area::code : symbol->area;
      if (own == area && symbol->kind == SymbolKind::global) names.push_back(symbol->name);
    }
    appendNameLines(text, "\tpublic\t", names);
    if (!names.empty()) text += '\n';
  }
  std::fwrite(text.data(), 1, text.size(), out);
}

}  // namespace

bool writeModuleBody(const OptionSettings& options, const ModuleInfo& module, DiskWorkFile& body,
                     std::FILE* out) {
  if (!module.writeBody) return std::ferror(out) == 0;
  if (options.debugInfo == 1) {
    std::fprintf(out, "\tfile \"%s\",0,0,0\n", module.sourcePath.c_str());
    std::fprintf(out, "\tsymbol_a \"%s\",54,415,2\n", kVersionNumber);
  }
  std::fprintf(out, "\tmodule\t%s\n", module.moduleName.c_str());
  std::fputs(module.externalDebugLines.c_str(), out);
  writeLists(module, out);
  return body.copyTo(out) && std::ferror(out) == 0;
}

}  // namespace kz::clike
