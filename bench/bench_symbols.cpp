// Symbol table and expression throughput. Lookups must stay constant-time: the per-item
// rate with 200,000 names should match the rate with 50,000.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "asm/expr.h"
#include "asm/expr_parser.h"
#include "asm/symbols.h"

namespace kz::assembler {
namespace {

class SilentReporter final : public Reporter {
 public:
  void reportError(Message, std::string_view) override {}
  void reportWarning(Message, std::string_view) override {}
};

// Label-like names with shared prefixes and suffixes, as generated code has them.
std::vector<std::string> makeNames(std::size_t count) {
  std::vector<std::string> names;
  names.reserve(count);
  for (std::size_t i = 0; i < count; ++i) names.push_back("_L" + std::to_string(i) + "_loop");
  return names;
}

void BM_DefineThenLookup(benchmark::State& state) {
  auto names = makeNames(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    SilentReporter reporter;
    SymbolTable symbols(reporter);
    SectionId code = symbols.defineSection("code", Pass::first).section;
    std::int32_t offset = 0;
    for (const std::string& name : names) {
      symbols.defineLabel(name, DefinitionKind::label, {offset++, code, nullptr}, Pass::first);
    }
    for (const std::string& name : names)
      benchmark::DoNotOptimize(symbols.lookupSymbol(name, Pass::first));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0) * 2);
}
BENCHMARK(BM_DefineThenLookup)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond);

void BM_LookupInFullTable(benchmark::State& state) {
  auto names = makeNames(static_cast<std::size_t>(state.range(0)));
  SilentReporter reporter;
  SymbolTable symbols(reporter);
  for (const std::string& name : names) symbols.lookupSymbol(name, Pass::first);
  std::size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(symbols.find(names[next]));
    next = next + 7919 < names.size() ? next + 7919 : (next + 7919) % names.size();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LookupInFullTable)->Arg(50000)->Arg(200000);

Token punct(char c) {
  Token token;
  token.kind = TokenKind::punct;
  token.punct = c;
  return token;
}

Token integer(std::int32_t value) {
  Token token;
  token.kind = TokenKind::integer;
  token.value = value;
  return token;
}

Token name(const char* text) {
  Token token;
  token.kind = TokenKind::identifier;
  token.spelling() = text;
  return token;
}

// (end - start) / 2 + 0x1FF:8 * 3 | start + 4
std::vector<Token> sampleTokens() {
  return {punct('('), name("end"),   punct('-'), name("start"),  punct(')'),
          punct('/'), integer(2),    punct('+'), integer(0x1FF), punct(':'),
          integer(8), punct('*'),    integer(3), punct('|'),     integer(1),
          punct('&'), name("start"), punct('+'), integer(4)};
}

struct EvaluationSetup {
  SilentReporter reporter;
  SymbolTable symbols{reporter};
  ExprParser parser{symbols, reporter};
  Evaluator evaluator{symbols, reporter};
  std::vector<Token> tokens = sampleTokens();

  EvaluationSetup() {
    SectionId code = symbols.defineSection("code", Pass::first).section;
    symbols.defineLabel("start", DefinitionKind::label, {0x10, code, nullptr}, Pass::first);
    symbols.defineLabel("end", DefinitionKind::label, {0x90, code, nullptr}, Pass::first);
  }
};

void BM_EvaluateParsedTree(benchmark::State& state) {
  EvaluationSetup setup;
  TokenCursor cursor(setup.tokens);
  ExprTree tree = setup.parser.parse(cursor, Pass::final);
  for (auto _ : state) benchmark::DoNotOptimize(setup.evaluator.evaluate(tree, Pass::final).value);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EvaluateParsedTree);

void BM_ParseAndEvaluate(benchmark::State& state) {
  EvaluationSetup setup;
  for (auto _ : state) {
    TokenCursor cursor(setup.tokens);
    ExprTree tree = setup.parser.parse(cursor, Pass::final);
    benchmark::DoNotOptimize(setup.evaluator.evaluate(tree, Pass::final).value);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseAndEvaluate);

}  // namespace
}  // namespace kz::assembler

BENCHMARK_MAIN();
