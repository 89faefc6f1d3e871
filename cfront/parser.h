#pragma once
// The C parser: recursive descent over the tokens of TokenReader, building declarations,
// statements and checked expressions. A syntax error is reported once (216 with its column);
// the parser then skips to a point where it can go on and reports no new syntax error until
// three tokens have been read successfully. Nesting is bounded, so hostile input ends with a
// message instead of exhausting the stack.
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "cfront/c_tokens.h"
#include "cfront/diagnostics.h"
#include "cfront/expression_builder.h"
#include "cfront/scopes.h"
#include "cfront/syntax_tree.h"
#include "cfront/types.h"

namespace kz::cfront {

// Receives each external declaration and function definition once it is complete.
class TopLevelSink {
 public:
  virtual ~TopLevelSink() = default;
  virtual void topLevel(const TopLevel& item) = 0;
};

// What the declaration specifiers said.
struct Specifiers {
  StorageClass storage = StorageClass::none;
  TypeRef type = nullptr;
  std::uint8_t qualifiers = 0;
  std::optional<SizeWord> memory;  // written before the declarator: object or first pointer
  CallConvention convention = CallConvention::none;
  bool callv = false;
  int bank = -1;
  bool isInline = false;
  bool isIo = false;
  bool sawTypeWord = false;   // any type specifier, typedef name or tag
  bool declaredTag = false;   // a struct/union/enum tag or body was written
  bool untaggedBody = false;  // a body without a tag
  bool anySpecifier = false;
  bool explicitSign = false;  // signed or unsigned was written
  SourceSpot spot;
};

// The top of a stack of pointers that one parse step collects on: nested steps collect above it
// and leave, even by an exception, as they came.
template <typename T>
class StackTop {
 public:
  explicit StackTop(std::vector<T*>& stack) : stack_(stack), start_(stack.size()) {}
  ~StackTop() { stack_.resize(start_); }
  StackTop(const StackTop&) = delete;
  StackTop& operator=(const StackTop&) = delete;
  std::span<T* const> items() const { return std::span<T* const>(stack_).subspan(start_); }

 private:
  std::vector<T*>& stack_;
  std::size_t start_;
};

// One derivation step of a declarator, in the order it applies to the base type.
struct Derivation {
  enum class Kind : std::uint8_t { pointer, array, function } kind = Kind::pointer;
  std::uint8_t qualifiers = 0;                  // pointer
  std::optional<SizeWord> memory;               // pointer
  std::uint32_t count = 0;                      // array
  bool countKnown = false;                      // array
  FunctionInfo function;                        // function
  std::vector<Symbol*> parameters;              // function: the parameters as declared, in order
  std::vector<std::string_view> oldStyleNames;  // function: an identifier list
};

struct Declarator {
  std::string_view name;     // empty for an abstract declarator
  Identifier* id = nullptr;  // the name's entry in the identifier table
  SourceSpot spot;
  std::vector<Derivation> derivations;
  std::optional<SizeWord> objectMemory;  // a memory size written just before the name
  TypeRef type = nullptr;                // the base type with the derivations applied
};

class Parser {
 public:
  // Nesting of parenthesised expressions, declarators and initialiser braces together.
  static constexpr int kMaxNesting = 200;
  static constexpr int kMaxBlockNesting = 16;
  static constexpr int kMaxRecordNesting = 15;
  static constexpr int kMaxDerivations = 12;
  static constexpr int kMaxParameters = 31;
  static constexpr int kBinaryLevels = 10;  // precedence levels of the binary operators

  Parser(TokenReader& tokens, ExpressionBuilder& expressions, TypeTable& types, NodeArena& nodes,
         Diagnostics& diagnostics, const RunOptions& options, TopLevelSink* sink);

  void parseTranslationUnit();

  // Where the parser stands and what it has declared, for the pragmas.
  bool inBlockScope() const { return scopes_.depth() > 0; }
  bool inFunctionBody() const { return currentFunction_ != nullptr; }
  bool inInitializer() const { return initializerDepth_ > 0; }
  Symbol* lookUp(std::string_view name) { return scopes_.find(tokens_.identifiers().intern(name)); }
  void declareIoVariable(std::string_view name, std::uint32_t address);  // declarations.cpp

 private:
  struct SyntaxError {};

  // parser.cpp: tokens, errors and recovery
  const CToken& peek() { return tokens_.peek(); }
  CToken take() {
    countToken();
    return tokens_.take();
  }
  void skip() {
    countToken();
    tokens_.skip();
  }
  // take() for the one field wanted, without a copy of the token.
  SourceSpot takeSpot() {
    countToken();
    SourceSpot spot = tokens_.peek().spot;
    tokens_.skip();
    return spot;
  }
  Tok takeKind() {
    countToken();
    Tok kind = tokens_.peek().kind;
    tokens_.skip();
    return kind;
  }
  bool accept(Tok kind) {
    if (peek().kind != kind) return false;
    skip();
    return true;
  }
  void countToken() {
    if (tokensSinceError_ < 3) ++tokensSinceError_;
  }
  void expect(Tok kind);
  CToken expectIdentifier();
  [[noreturn]] void syntaxError();
  void reportSyntaxError();
  void skipAfterError(bool inBlock);
  void enterNesting();
  void leaveNesting() { --nesting_; }
  void externalDeclaration();
  void predeclareRegisters();

  // parse_declarations.cpp
  bool startsDeclaration();
  bool isTypeName(const CToken& token) const;
  bool startsTypeName();
  bool beginsTypeName(const CToken& token) const;
  Specifiers declarationSpecifiers(bool allowStorage);
  void typeWord(Specifiers& specifiers, int (&counts)[16], const CToken& token);
  TypeRef settleTypeWords(Specifiers& specifiers, const int (&counts)[16]);
  void functionAttribute(Specifiers& specifiers, const CToken& token);
  void memorySize(std::optional<SizeWord>& slot, SizeWord size);
  TypeRef recordSpecifier(TypeKind kind);
  void recordBody(Record& record);
  void memberDeclaration(Record& record, std::vector<Member>& members);
  TypeRef enumSpecifier();
  Declarator declarator(const Specifiers& specifiers, bool abstractAllowed, bool nameRequired);
  void declaratorParts(Declarator& result, std::vector<Derivation>& derivations,
                       bool abstractAllowed);
  void pointerPart(std::vector<Derivation>& pointers, std::optional<SizeWord> pending);
  bool groupingParenthesis();
  void suffixes(std::vector<Derivation>& suffixes);
  Derivation parameterList();
  Symbol* parameterDeclaration();
  TypeRef applyDerivations(TypeRef base, const std::vector<Derivation>& derivations);
  TypeRef typeName();

  // declarations.cpp
  void declaration(const Specifiers& specifiers, bool fileScope, std::vector<Stmt*>* block);
  Symbol* declare(const Specifiers& specifiers, Declarator& declarator, bool fileScope);
  Symbol* redeclare(Symbol* previous, const Specifiers& specifiers, Declarator& declarator,
                    bool fileScope);
  void checkObject(Symbol* symbol, const Specifiers& specifiers, const Declarator& declarator,
                   bool fileScope);
  void checkFunctionAttributes(FunctionInfo& info, const Specifiers& specifiers);
  void functionDefinition(const Specifiers& specifiers, Declarator& declarator);
  void oldStyleParameters(Derivation& function, std::vector<Symbol*>& parameters);
  void finishFunction(Symbol* function);
  void emit(const TopLevel& item);

  // initializers.cpp
  Initializer* initializer();
  void checkInitializer(Symbol* symbol, Initializer* init);
  TypeRef initializeObject(TypeRef type, Initializer* init, bool staticStorage);
  void initializeAggregate(TypeRef type, const std::vector<Initializer*>& elements, std::size_t& at,
                           bool staticStorage, bool braced);
  void initializeScalar(TypeRef type, Initializer* init, bool staticStorage);

  // parse_statements.cpp
  Stmt* compoundStatement(bool functionBody);
  Stmt* statement();
  Stmt* labelled(Stmt* stmt);
  Stmt* ifStatement();
  Stmt* loopStatement(Tok kind);
  Stmt* forStatement();
  Stmt* switchStatement();
  Stmt* jumpStatement(Tok kind);
  Stmt* returnStatement();
  Stmt* assemblyStatement();
  Expr* condition();

  // parse_expressions.cpp
  Expr* expression();
  Expr* assignment();
  Expr* conditionalExpression();
  Expr* binaryExpression();
  Expr* castExpression();
  Expr* unaryExpression();
  Expr* postfixExpression();
  Expr* primaryExpression();
  Expr* constantPrimary(const CToken& token);
  Expr* stringPrimary(const CToken& first);
  std::optional<long long> constantExpression();

  TokenReader& tokens_;
  ExpressionBuilder& expressions_;
  TypeTable& types_;
  NodeArena& nodes_;
  Diagnostics& diagnostics_;
  const RunOptions& options_;
  TopLevelSink* sink_;
  Scopes scopes_;

  int nesting_ = 0;
  int blockNesting_ = 0;
  int recordNesting_ = 0;
  int tokensSinceError_ = 3;  // a new syntax error is reported once this reaches 3
  Symbol* currentFunction_ = nullptr;
  int loopDepth_ = 0;
  int switchDepth_ = 0;
  TypeRef switchType_ = nullptr;
  bool sawDefault_ = false;
  std::vector<long long>* caseValues_ = nullptr;
  std::optional<SizeWord> pendingObjectMemory_;  // left over by the last pointer part
  int initializerDepth_ = 0;                     // initialisers being read
  // The statements of the blocks, the arguments of the calls and the elements of the braced
  // initialisers being read, so that each list is allocated once, at its final size.
  std::vector<Stmt*> statementStack_;
  std::vector<Expr*> argumentStack_;
  std::vector<Initializer*> initializerStack_;
};

}  // namespace kz::cfront
