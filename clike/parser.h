#pragma once
// The parser of the language and the context of one compilation: it reads the token
// stream, enters declarations, keeps the section table and generates code for every
// statement through the emitter. Hand-written recursive descent; every recursion passes
// through a depth guard of fixed capacity, and the open control statements are kept in a
// fixed table, so hostile nesting ends with a message.
#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "clike/code_emitter.h"
#include "clike/conversions.h"
#include "clike/debug_info.h"
#include "clike/diagnostics.h"
#include "clike/expression.h"
#include "clike/preprocessor.h"
#include "clike/settings.h"
#include "clike/symbol_table.h"
#include "clike/token.h"
#include "clike/types.h"

namespace kz::clike {

enum class SectionType : std::uint8_t { io = 48, area = 49, data = 50, constant = 51, code = 52 };

struct Section {
  SymbolEntry* name = nullptr;
  SectionType type = SectionType::data;
  SizeAttribute attribute = SizeAttribute::near;
  bool absolute = false;
  std::uint32_t address = 0;
};

// What a compilation leaves for the output stage besides the records.
struct CompiledModule {
  std::vector<const SymbolEntry*> externals;  // used, declared extern, in order of use
  std::vector<const SymbolEntry*> publics;    // defined, not static, in order of definition
  bool usesSwitchRoutine = false;             // __switch is called (-O s)
};

// What an operand may use while it is resolved: HL already holds another operand; `busy`
// has bit n set for each 8-bit register n (A W C B E D L H) that the statement still reads.
struct OperandUse {
  bool hlBusy = false;
  std::uint8_t busy = 0;
};

// The 8-bit registers the generator takes for work, in the order it tries them, and the
// warning that names each.
struct WorkingRegister {
  int number;
  Message message;
};
inline constexpr WorkingRegister kWorkingRegisters[] = {
    {0, Message::registerAUsed}, {1, Message::registerWUsed}, {2, Message::registerCUsed},
    {3, Message::registerBUsed}, {6, Message::registerLUsed}, {7, Message::registerHUsed},
};

// Where an object reached through a register lives: HL or DE holds its address, plus a
// displacement (and C under the (HL+C) form).
struct Place {
  ValueType type;
  MemoryMode mode = MemoryMode::atHL;
  std::int32_t displacement = 0;
  bool userRegister = false;  // the program's own HL or DE: it may not be changed
};

class Parser {
 public:
  static constexpr int kMaxNesting = 200;  // parser stack capacity
  static constexpr int kMaxControls = 32;  // open control statements
  static constexpr int kMaxCases = 255;    // a case table's count is one byte
  static constexpr int kMaxSwitches = 8;   // nested switch and depend bodies held back
  static constexpr int kMaxMembers = 255;
  static constexpr std::uint32_t kMaxObjectSize = 0xFFFF;

  Parser(Diagnostics& diagnostics, Preprocessor& preprocessor, const OptionSettings& options,
         CodeEmitter& emitter, std::string moduleName);

  // Parses the whole token stream.
  void parseModule();
  // Braces still open at the end of the source.
  int openBraces() const { return openBraces_; }
  CompiledModule module() const;
  const std::vector<Section>& sections() const { return sections_; }
  // Under -g: the debug lines of every data object and function defined.
  void setDebugInfo(DebugInfo* debugInfo) { debugInfo_ = debugInfo; }

 private:
  struct Abort {};  // the parse cannot go on (parser stack overflow)

  class Nesting {
   public:
    explicit Nesting(Parser& parser) : parser_(parser) {
      if (++parser_.nesting_ > kMaxNesting) parser_.stackOverflow();
    }
    ~Nesting() { --parser_.nesting_; }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;

   private:
    Parser& parser_;
  };

  // Tokens (parser.cpp).
  void nextToken(Token& token);
  [[gnu::noinline]] void asmBlocks(Token& token);
  const Token& peek() {
    if (aheadCount_ == 0) fillAhead();
    return ahead_[0];
  }
  void fillAhead();
  const Token& peekSecond();
  // The token taken stays in last_ until the next take.
  const Token& take() {
    peek();
    return takePeeked();
  }
  // take() once peek() has made the token ready.
  const Token& takePeeked() {
    last_ = ahead_[0];
    if (--aheadCount_ != 0) ahead_[0] = ahead_[1];
    if (last_.kind == TokenClass::openBrace || last_.kind == TokenClass::closeBrace) countBrace();
    return last_;
  }
  void countBrace() {
    if (last_.kind == TokenClass::openBrace) ++openBraces_;
    if (last_.kind == TokenClass::closeBrace && openBraces_ > 0) --openBraces_;
  }
  [[noreturn]] void stackOverflow();
  bool at(TokenClass kind) { return peek().kind == kind; }
  bool at_(TokenClass kind) { return peek().kind == kind; }
  bool accept(TokenClass kind) {
    if (!at(kind)) return false;
    takePeeked();
    return true;
  }
  bool expect(TokenClass kind) { return accept(kind) || missing(kind); }
  // What expect does when the token is not there; false.
  bool missing(TokenClass kind);
  void syntaxError();
  void recoverTo(bool atBrace);
  void markLine(const Token& token);

  // Top level and sections (parser.cpp, sections.cpp).
  void externalDeclaration();
  void sectionStatement();
  void sectionPragma();
  void enterSection(Section section, bool fromPragma);
  std::string defaultSectionName(SectionType type, bool absolute);
  const Section* currentSection() const {
    return current_ < 0 ? nullptr : &sections_[static_cast<std::size_t>(current_)];
  }

  // Declarations (declarations.cpp).
  struct Specifiers {
    int storage = 0;  // token value, 0 none
    std::string_view storageText;
    bool fromTypedef = false;  // the type is a typedef name's
    Type type;
    bool typeGiven = false;
    bool invalid = false;  // error 212 or 278 given
    SizeAttribute objectAttribute = SizeAttribute::none;
    std::string_view objectAttributeText;
    std::string_view typeWordText;  // the first type word, for messages
    bool sectionWord = false;
    int constCount = 0;
    bool unsignedGiven = false;
    int sectionWordValue = 0;
    std::string_view sectionWordText;
  };
  struct Declarator {
    SymbolEntry* name = nullptr;
    Token nameToken;
    bool registerName = false;  // the declarator names a register
    std::vector<Derivation> derivations;
    std::vector<Parameter> parameters;
    bool pointerToFunctionWithList = false;
  };
  bool startsDeclaration();
  bool unknownTypeName(bool starFollows);
  bool wellFormed(Declarator& declarator, const Specifiers& specifiers);
  Specifiers declarationSpecifiers();
  void applyTypeWord(Specifiers& specifiers, const Token& token);
  AggregateInfo* aggregateSpecifier(Specifiers& specifiers, bool isUnion);
  Declarator declarator();
  void parameterList(Declarator& declarator, FunctionInfo& function);
  void declaration(Specifiers specifiers);
  void dataDeclaration(const Specifiers& specifiers, Declarator& declarator);
  void typedefName(const Specifiers& specifiers, const Declarator& declarator);
  void skipInitialValue();
  void functionDeclaration(const Specifiers& specifiers, Declarator& declarator, bool body);
  Type typeOf(const Specifiers& specifiers, const Declarator& declarator);
  void initialValue(const Type& type, std::string& bytes, int depth);
  void flushBytes(std::string& bytes);
  void localDeclaration();

  // Expressions (expression_parser.cpp).
  int node(const Node& value) { return nodes_.add(value); }
  bool constantExpression(std::int32_t& value);
  int expression();
  int assignmentExpression();
  int conditionalExpression();
  int binaryExpression(int level);
  int unaryExpression();
  int indirectForm();
  int postfixExpression();
  int postfixTail(int at);
  int memberTail(int at);
  void argumentList(Node& call);
  int primaryExpression();
  std::uint32_t sizeOfNode(int at);
  bool startsTypeName(const Token& token) const;
  int castExpression();

  // Code for expressions (code_generator.cpp, calls.cpp).
  void warnRegister(Message message, std::string_view why);
  void emit(std::string_view mnemonic, const Operand& first, const Operand& second);
  bool emitChecked(std::string_view mnemonic, const Operand& first, const Operand& second,
                   std::string_view why);
  // The commonest operands, numbers and registers, are answered here without a call.
  std::optional<Operand> operandOf(int at, OperandUse use) {
    const Node& n = nodes_[at];
    switch (n.kind) {
      case NodeKind::constant:
      case NodeKind::sizeOf:
        return immediateOperand(n.value);
      case NodeKind::register8:
        return register8Operand(n.value);
      case NodeKind::register16:
        return register16Operand(n.value);
      default:
        return operandOfOther(at, use);
    }
  }
  std::optional<Operand> operandOfOther(int at, OperandUse use);
  bool objectAddress(int at, SymbolEntry*& symbol, std::int32_t& offset, const Type*& type);
  std::optional<Operand> addressOf(int at);
  std::optional<Operand> objectOperand(int at, OperandUse use);
  void useSymbol(SymbolEntry& symbol);
  void generateStatement(int at);
  void applyOperation(std::string_view mnemonic, const Operand& target, const Operand& value,
                      std::string_view why);
  void load(const Operand& target, const Operand& value, std::string_view why,
            std::uint8_t busy = 0);
  void generateAssignment(int at);
  void generateBinaryAssignment(const Operand& target, const ValueType& targetType, int at);
  bool writablePlace(int at, std::string_view why, ValueType& type);
  std::optional<Operand> stepOf(const ValueType& target, int valueAt, std::string_view mnemonic,
                                OperandUse use);
  void generateShift(const Operand& target, int countNode, std::string_view mnemonic,
                     std::string_view why);
  void generateBitAssignment(int at);
  void conditionJump(int at, const std::string& label, bool jumpWhen);
  template <typename Jump>
  void comparison(const Node& n, Jump jump);
  void generateCall(int at);
  void generateInstruction(int at);
  void generatePointerCall(int at);
  void generateReturnValue(int at, const Type& result);
  bool plainOperand(int at, std::string_view why);

  // Types of values and their conversions (value_types.cpp).
  // Numbers, the commonest operands, are answered here without a call.
  ValueType valueTypeOf(int at) {
    const Node& n = nodes_[at];
    if (n.kind == NodeKind::constant || n.kind == NodeKind::sizeOf)
      return ValueType::number(n.value);
    return valueTypeOfOther(at);
  }
  ValueType valueTypeOfOther(int at);
  ValueType objectTypeOf(int at);
  ValueType decayedValue(const ValueType& object);
  const Type* registerType(const Node& n) const;
  // A leaf reads no register but its own: it is answered here without a call.
  std::uint8_t registersRead(int at) const {
    if (at < 0) return 0;
    const Node& n = nodes_[at];
    switch (n.kind) {
      case NodeKind::constant:
      case NodeKind::name:
      case NodeKind::string:
      case NodeKind::condition:
      case NodeKind::special:
      case NodeKind::sizeOf:
        return 0;
      case NodeKind::register8:
        return static_cast<std::uint8_t>(1u << (n.value & 7));
      default:
        return registersReadOther(n);
    }
  }
  std::uint8_t registersReadOther(const Node& n) const;
  bool convert(const ValueType& target, int valueAt, ConversionUse use);
  bool convert(const ValueType& target, const ValueType& value, ConversionUse use);
  std::optional<Operand> castOperand(int at, OperandUse use);
  void loadConverted(const Operand& target, const Operand& value, std::string_view why);
  void warnWorkingRegister(const Operand& reg, std::string_view why);

  // Objects reached through pointers, registers and subscripts (pointers.cpp).
  bool isFixedPlace(int at);
  bool placeOf(int at, OperandUse use, Place& place);
  bool pointerPlace(int at, OperandUse use, Place& place);
  bool subscriptPlace(int base, int index, OperandUse use, Place& place);
  bool eightBitSubscript(int base, int index, const Operand& value, OperandUse use, Place& place);
  bool wideSubscript(int base, int index, const Operand& value, OperandUse use, Place& place);
  bool baseIntoHL(int base, OperandUse use, Place& place);
  std::optional<Operand> placeOperand(const Place& place, OperandUse use);
  std::optional<Operand> dynamicOperand(int at, OperandUse use);
  std::optional<Operand> dynamicAddress(int at, OperandUse use);

  // Statements (statements.cpp).
  void functionBody(SymbolEntry& function);
  void compoundStatement();
  void statement();
  void ifStatement();
  void whileStatement();
  void doStatement();
  void forStatement();
  void jumpStatement();
  void switchStatement(bool depend);
  void caseLabel();
  void defaultLabel();
  void labelStatement();
  void expressionStatement();
  void tableCall();
  std::string userLabel(SymbolEntry& name, bool define);

  // Names a statement reaches (name_checks.cpp).
  void pragmaLine();
  void criticalUse(const SymbolEntry& symbol, Message message);
  // Until a name is marked critical, no statement has one to look for.
  void checkNames(int at) {
    if (criticalNames_) checkNamesIn(at);
  }
  void checkNamesIn(int at);

  // Control statements open around the current point.
  enum class ControlKind : std::uint8_t { loop, switchBlock, dependBlock };
  struct Case {
    std::int32_t value = 0;
    std::string label;
  };
  struct Control {
    ControlKind kind = ControlKind::loop;
    std::string breakLabel;
    std::string continueLabel;
    std::vector<Case> cases;
    std::string defaultLabel;
    // Emptied in place for a new statement: the strings keep their room.
    void reopen(ControlKind newKind) {
      kind = newKind;
      breakLabel.clear();
      continueLabel.clear();
      cases.clear();
      defaultLabel.clear();
    }
  };
  Control& openControl(ControlKind kind);
  void closeControl() { --controlCount_; }
  Control* innermost(bool forContinue);

  std::string asmName(const SymbolEntry& symbol) const {
    std::string name(symbol.name.size() + 1, '_');
    symbol.name.copy(name.data() + 1, symbol.name.size());
    return name;
  }
  void reportUndefinedOnce(SymbolEntry& symbol);

  Diagnostics& diagnostics_;
  Preprocessor& preprocessor_;
  const OptionSettings& options_;
  CodeEmitter& emitter_;
  DebugInfo* debugInfo_ = nullptr;
  std::string moduleName_;

  Token token_;
  std::array<Token, 2> ahead_{};
  int aheadCount_ = 0;
  Token last_;
  bool recovering_ = false;
  bool criticalNames_ = false;  // a #pragma critical named one
  int nesting_ = 0;
  int openBraces_ = 0;

  std::vector<Section> sections_;
  int current_ = -1;
  int sectionCount_ = 0;
  bool sectionStatements_ = false;
  bool sectionPragmas_ = false;

  std::deque<AggregateInfo> aggregates_;
  std::deque<FunctionInfo> functions_;
  std::vector<const SymbolEntry*> externals_;
  std::vector<const SymbolEntry*> publics_;
  bool usesSwitchRoutine_ = false;
  // A switch's dispatch text while it is put together; it keeps its room for the next.
  RecordBuffer dispatchText_;
  int aggregateDepth_ = 0;
  SymbolEntry* initialTarget_ = nullptr;  // the object whose initial value is read

  // The function being compiled.
  struct LabelInfo {
    std::string text;
    bool defined = false;
    std::uint32_t line = 0;
  };
  SymbolEntry* function_ = nullptr;
  std::unordered_map<const SymbolEntry*, LabelInfo> labels_;
  std::vector<const SymbolEntry*> otherFunctionLabels_;
  std::array<Control, kMaxControls> controls_{};
  int controlCount_ = 0;
  int pushDepth_ = 0;
  int deepestPush_ = 0;
  ExpressionTable nodes_;
  // The condition being coded: its depth of nesting, and whether an instruction of its
  // own has changed the flags (a condition name after that no longer reads the program's).
  int conditionDepth_ = 0;
  bool flagsChanged_ = false;
  // Registers given a type by a local declaration, innermost block last.
  struct LocalRegister {
    std::int32_t registerValue;  // token value
    Type type;
  };
  std::vector<LocalRegister> localRegisters_;
};

}  // namespace kz::clike
