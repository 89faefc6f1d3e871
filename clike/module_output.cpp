#include "clike/module_output.h"

#include "clike/console.h"

namespace kz::clike {

bool writeModuleBody(const OptionSettings& options, const ModuleInfo& module, RecordReader& records,
                     std::FILE* out) {
  if (!module.writeBody) return std::ferror(out) == 0;
  if (options.debugInfo == 1) {
    std::fprintf(out, "\tfile \"%s\",0,0,0\n", module.sourcePath.c_str());
    std::fprintf(out, "\tsymbol_a \"%s\",54,415,2\n", kVersionNumber);
  }
  std::fprintf(out, "\tmodule\t%s\n", module.moduleName.c_str());
  RecordKind kind;
  std::string payload;
  while (records.next(kind, payload)) {
    switch (kind) {
      case RecordKind::asmText:
      case RecordKind::debugLine:
        std::fwrite(payload.data(), 1, payload.size(), out);
        break;
    }
  }
  return std::ferror(out) == 0;
}

}  // namespace kz::clike
