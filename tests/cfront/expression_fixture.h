#pragma once
// A type table, node arena and expression builder over captured messages, for tests that
// build types and expressions through the API without a parser.
#include <memory>
#include <string>
#include <vector>

#include "cfront/expression_builder.h"
#include "harness.h"

namespace kz::cfront::testing {

struct ExpressionFixture {
  RunOptions options;
  CapturedStream console;
  TypeTable types{options};
  NodeArena nodes;
  std::unique_ptr<Diagnostics> diagnostics;
  std::unique_ptr<ExpressionBuilder> builder;
  std::size_t seen = 0;

  ExpressionFixture() { restart(); }
  // Fresh message counters, so that a long table of errors stays below the error limit.
  void restart() {
    diagnostics = std::make_unique<Diagnostics>(options, console.stream());
    builder = std::make_unique<ExpressionBuilder>(types, nodes, *diagnostics, options);
  }

  TypeRef basic(TypeKind kind) const { return types.basic(kind); }

  Symbol* variable(std::string_view name, TypeRef type, StorageClass storage = StorageClass::none) {
    Symbol* symbol = nodes.symbol();
    symbol->name = name;
    symbol->type = type;
    symbol->storage = storage;
    symbol->kind = type->kind == TypeKind::function ? SymbolKind::function : SymbolKind::object;
    return symbol;
  }
  Expr* ref(Symbol* symbol) { return builder->name(symbol, symbol->name, false, {}); }
  Expr* var(std::string_view name, TypeRef type) { return ref(variable(name, type)); }
  Expr* integer(long long value, TypeKind kind = TypeKind::intType) {
    return builder->integerConstant(value, basic(kind), {});
  }

  // The message numbers reported since the last call, in order.
  std::vector<int> numbers() {
    std::string text = console.text();
    std::vector<int> found;
    for (std::size_t at = text.find("ZC1-", seen); at != std::string::npos;
         at = text.find("ZC1-", at + 4)) {
      std::size_t dash = text.find('-', at + 4);
      found.push_back(std::stoi(text.substr(dash + 1)));
    }
    seen = text.size();
    return found;
  }
};

}  // namespace kz::cfront::testing
