#include "cfront/translation_unit.h"

#include <optional>

#include "cfront/c_tokens.h"
#include "cfront/emitter.h"
#include "cfront/expression_builder.h"
#include "cfront/parser.h"
#include "cfront/type_lines.h"
#include "cfront/types.h"

namespace kz::cfront {

void compileTranslationUnit(Preprocessor& preprocessor, Diagnostics& diagnostics,
                            const RunOptions& options, LineSink* records) {
  TypeTable types(options);
  NodeArena nodes;
  ExpressionBuilder expressions(types, nodes, diagnostics, options);
  TokenReader tokens(preprocessor, diagnostics, options);
  TypeLines typeLines(options, diagnostics);
  std::optional<Emitter> emitter;
  if (records) emitter.emplace(*records, typeLines, types, diagnostics, options);
  Parser parser(tokens, expressions, types, nodes, diagnostics, options,
                emitter ? &*emitter : nullptr);
  parser.parseTranslationUnit();
}

}  // namespace kz::cfront
