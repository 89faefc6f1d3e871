#pragma once
// The trees the parser builds: symbols, expressions (typed and checked as they are built) and
// statements. Nodes live in a NodeArena for the whole translation unit.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "cfront/identifiers.h"
#include "cfront/node_pool.h"
#include "cfront/types.h"

namespace kz::cfront {

struct SourceSpot {
  std::uint32_t line = 0;
  std::uint32_t column = 0;
};

enum class StorageClass : std::uint8_t {
  none,
  typedefName,
  externClass,
  staticClass,
  autoClass,
  registerClass,
};

enum class SymbolKind : std::uint8_t {
  object,
  function,
  typedefName,
  enumConstant,
  parameter,
  registerVariable,  // __A, __WA, __SP, ...
  flagVariable,      // __JF, __ZF, __CF, __HF
};

enum class Linkage : std::uint8_t { none, internal, external };

struct Symbol {
  std::string_view name;
  SymbolKind kind = SymbolKind::object;
  StorageClass storage = StorageClass::none;
  Linkage linkage = Linkage::none;
  TypeRef type = nullptr;
  SizeWord memory = SizeWord::near;  // the memory space of the object
  bool memoryGiven = false;          // a memory-size keyword was written
  bool isIo = false;
  bool defined = false;  // a function body or an object definition with storage
  bool initialised = false;
  bool used = false;
  mutable bool lineWritten = false;  // the emitter has written its symbol line
  int scopeDepth = 0;                // 0 file scope
  long long enumValue = 0;           // enumeration constants
  std::uint32_t registerCode = 0;    // register and flag variables: their number or letter
  std::uint32_t index = 0;           // a number for the later passes
  std::int32_t ioAddress = -1;       // an io variable of #pragma io: its address
  SourceSpot spot;
  Symbol* outer = nullptr;   // the declaration of the same name this one hides
  Identifier* id = nullptr;  // the entry of its name in the identifier table
};

enum class ExprKind : std::uint8_t {
  integerConstant,
  floatingConstant,
  stringLiteral,
  name,  // an object, function, enumeration constant or register/flag variable
  call,
  member,         // a.b
  pointerMember,  // a->b
  subscript,
  postIncrement,
  postDecrement,
  preIncrement,
  preDecrement,
  addressOf,
  indirection,
  unaryPlus,
  negate,
  bitNot,
  logicalNot,
  sizeofValue,         // folded to a constant once typed; kept for the later passes
  cast,                // written (type) expr: the conv node
  implicitConversion,  // inserted by the checks: the aconv node
  binary,
  assign,  // op is none for =, else the operator of a compound assignment
  conditional,
  comma,
};

enum class BinaryOp : std::uint8_t {
  none,
  multiply,
  divide,
  remainder,
  add,
  subtract,
  shiftLeft,
  shiftRight,
  less,
  greater,
  lessEqual,
  greaterEqual,
  equal,
  notEqual,
  bitAnd,
  bitXor,
  bitOr,
  logicalAnd,
  logicalOr,
};

// The bytes of a string literal, kept out of the node: few nodes are literals.
struct LiteralText {
  std::string_view bytes;  // without the terminator
  bool wide = false;       // L"...": two bytes a character
};

// One node in one 64-byte line: the fields that only some kinds use share a place, and what
// a call or a literal has more of lies in the arena outside the node.
struct alignas(64) Expr {
  ExprKind kind = ExprKind::integerConstant;
  BinaryOp op = BinaryOp::none;
  bool isLvalue = false;
  bool isConstant = false;          // an integer or floating constant after folding
  std::uint32_t argumentCount = 0;  // call
  SourceSpot spot;
  TypeRef type = nullptr;  // nullptr only after an error that left no usable type
  Expr* left = nullptr;    // the operand; call: the function; member: the struct
  Expr* right = nullptr;
  long long integer = 0;  // integer constants: the value (unsigned types hold 0..2^32-1)
  double floating = 0;
  // Which one is set follows from the kind; the others must not be read.
  union {
    Expr* third = nullptr;       // conditional: the value when false
    Expr** argumentList;         // call: argumentCount converted arguments
    Symbol* symbol;              // name: nullptr for an undeclared one
    const Member* memberInfo;    // member, pointerMember: nullptr when not found
    const LiteralText* literal;  // stringLiteral
  };

  std::span<Expr* const> arguments() const {
    return kind == ExprKind::call ? std::span<Expr* const>(argumentList, argumentCount)
                                  : std::span<Expr* const>();
  }
  const Member* member() const {
    return kind == ExprKind::member || kind == ExprKind::pointerMember ? memberInfo : nullptr;
  }
  std::string_view text() const {
    return kind == ExprKind::stringLiteral ? literal->bytes : std::string_view();
  }
  bool wide() const { return kind == ExprKind::stringLiteral && literal->wide; }
};
static_assert(sizeof(Expr) == 64);
static_assert(std::is_trivially_destructible_v<Expr>);

enum class StmtKind : std::uint8_t {
  expression,
  compound,
  ifStmt,
  whileStmt,
  doStmt,
  forStmt,
  switchStmt,
  caseLabel,
  defaultLabel,
  label,
  gotoStmt,
  breakStmt,
  continueStmt,
  returnStmt,
  empty,
  declaration,  // a block-scope declaration, in order among the statements
  inlineAsm,
};

struct Initializer;

struct Stmt {
  StmtKind kind = StmtKind::empty;
  bool upperAsm = false;             // inline assembly written with __ASM
  std::uint32_t statementCount = 0;  // compound
  Expr* expression = nullptr;        // expression, condition, switch value, return value
  Expr* init = nullptr;              // for: the first clause
  Expr* step = nullptr;              // for: the third clause
  Stmt* body = nullptr;              // loops, switch, labelled statements, if: the then part
  Stmt* otherwise = nullptr;         // if: the else part
  Stmt** statementList = nullptr;    // compound: statementCount statements, in the arena
  Symbol* symbol = nullptr;          // declaration; label and goto: the label
  Initializer* initializer = nullptr;
  long long caseValue = 0;
  std::string_view text;  // inline assembly; label and goto names
  SourceSpot spot;

  std::span<Stmt* const> statements() const {
    return std::span<Stmt* const>(statementList, statementCount);
  }
};
static_assert(std::is_trivially_destructible_v<Stmt>);

// An initialiser: one expression, or a braced list of initialisers.
struct Initializer {
  Expr* expression = nullptr;
  std::vector<Initializer*> elements;
  bool braced = false;
  SourceSpot spot;
};

// One external declaration or function definition of the translation unit, in source order.
struct TopLevel {
  Symbol* symbol = nullptr;
  Initializer* initializer = nullptr;
  Stmt* body = nullptr;             // function definitions
  std::vector<Symbol*> parameters;  // function definitions
  bool isDefinition = false;
  TypeRef declaredType = nullptr;  // a declaration of a tag alone: the type it declares
};

// Owns the nodes of one translation unit. File-scope symbols last for the whole unit;
// expressions, statements, initialisers and the symbols of inner scopes only until the
// external declaration that holds them has been handed on.
class NodeArena {
 public:
  Expr* expr() { return exprs_.make(); }
  // Room for `count` pointers that live as long as the expressions do.
  Expr** exprList(std::size_t count) { return exprLists_.take(count); }
  Stmt** stmtList(std::size_t count) { return stmtLists_.take(count); }
  LiteralText* literal() { return literals_.make(); }
  Stmt* stmt() { return stmts_.make(); }
  Symbol* symbol() { return symbols_.make(); }
  // A symbol of block or prototype scope: it lives only as long as the expressions do.
  Symbol* localSymbol() { return localSymbols_.make(); }
  Initializer* initializer() { return initializers_.make(); }
  void releaseBodies() {
    exprs_.reset();
    exprLists_.reset();
    stmtLists_.reset();
    literals_.reset();
    stmts_.reset();
    initializers_.reset();
    localSymbols_.reset();
  }

 private:
  Pool<Expr> exprs_;
  PointerRuns<Expr> exprLists_;
  PointerRuns<Stmt> stmtLists_;
  Pool<LiteralText, 64> literals_;
  Pool<Stmt> stmts_;
  // Never reset; in blocks of up to 64 KiB (the first two smaller), which come whole from the heap.
  Pool<Symbol, (std::size_t{64} << 10) / sizeof(Symbol)> symbols_;
  Pool<Symbol> localSymbols_;
  Pool<Initializer> initializers_;
};

}  // namespace kz::cfront
