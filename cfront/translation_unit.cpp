#include "cfront/translation_unit.h"

#include <optional>

#include "cfront/c_tokens.h"
#include "cfront/emitter.h"
#include "cfront/expression_builder.h"
#include "cfront/parser.h"
#include "cfront/type_lines.h"
#include "cfront/types.h"

namespace kz::cfront {
namespace {

class ParserPlace : public PragmaPlace {
 public:
  explicit ParserPlace(Parser& parser) : parser_(parser) {}
  bool inBlockScope() const override { return parser_.inBlockScope(); }
  bool inFunctionBody() const override { return parser_.inFunctionBody(); }
  bool inInitializer() const override { return parser_.inInitializer(); }
  const Symbol* lookUp(std::string_view name) override { return parser_.lookUp(name); }
  void declareIoVariable(std::string_view name, std::uint32_t address) override {
    parser_.declareIoVariable(name, address);
  }

 private:
  Parser& parser_;
};

// Records of a unit that writes none.
class DroppedRecords : public PragmaRecords {
 public:
  void pragmaRecord(std::string_view, std::optional<std::uint32_t>) override {}
};

// The pragma handler is the preprocessor's only while the unit is parsed.
class HandlerInstalled {
 public:
  HandlerInstalled(Preprocessor& preprocessor, PragmaHandler& handler)
      : preprocessor_(preprocessor) {
    preprocessor_.setPragmaHandler(&handler);
  }
  ~HandlerInstalled() { preprocessor_.setPragmaHandler(nullptr); }
  HandlerInstalled(const HandlerInstalled&) = delete;
  HandlerInstalled& operator=(const HandlerInstalled&) = delete;

 private:
  Preprocessor& preprocessor_;
};

}  // namespace

void compileTranslationUnit(Preprocessor& preprocessor, Diagnostics& diagnostics,
                            RunOptions& options, LineSink* records, UnitState state) {
  SectionTable ownSections;
  FunctionMarks ownMarks;
  SectionTable& sections = state.sections ? *state.sections : ownSections;
  FunctionMarks& marks = state.marks ? *state.marks : ownMarks;
  TypeTable types(options);
  NodeArena nodes;
  ExpressionBuilder expressions(types, nodes, diagnostics, options);
  TokenReader tokens(preprocessor, diagnostics, options);
  TypeLines typeLines(options, diagnostics);
  std::optional<Emitter> emitter;
  if (records) {
    emitter.emplace(*records, typeLines, types, diagnostics, options, &marks, &sections);
    emitter->setFunctionBodies(state.bodies);
    emitter->setSpillFile(state.spill);
    emitter->setBodyLibrary(state.builtinFiles);
  }
  Parser parser(tokens, expressions, types, nodes, diagnostics, options,
                emitter ? &*emitter : nullptr);
  ParserPlace place(parser);
  DroppedRecords dropped;
  PragmaRecords& pragmaRecords = emitter ? static_cast<PragmaRecords&>(*emitter) : dropped;
  Pragmas pragmas(options, diagnostics, sections, marks, place, pragmaRecords, state.builtinFiles);
  HandlerInstalled installed(preprocessor, pragmas);
  if (state.builtinFiles)
    state.builtinFiles->setLookUp([&parser](std::string_view name) { return parser.lookUp(name); });
  try {
    parser.parseTranslationUnit();
  } catch (...) {
    if (state.builtinFiles) state.builtinFiles->setLookUp(nullptr);
    throw;
  }
  if (state.builtinFiles) state.builtinFiles->setLookUp(nullptr);
}

}  // namespace kz::cfront
