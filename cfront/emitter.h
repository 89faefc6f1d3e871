#pragma once
// The intermediate-file emitter: receives each external declaration and function definition
// from the parser and writes its records. Expressions become instruction lines on operands
// and temporaries, statements become labels and jumps around them, objects become symbol
// lines with their initialiser data; type lines come from TypeLines as types are first used.
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cfront/builtin_files.h"
#include "cfront/diagnostics.h"
#include "cfront/held_output.h"
#include "cfront/line_buffer.h"
#include "cfront/line_sink.h"
#include "cfront/parser.h"
#include "cfront/pragmas.h"
#include "cfront/sections.h"
#include "cfront/settings.h"
#include "cfront/syntax_tree.h"
#include "cfront/type_lines.h"

namespace kz::cfront {

// A value as an instruction line names it: "@_name", "P1", "S2", "I3", "T4", "A", "#5",
// "GB1"..., with a leading '*' when it is used indirectly. The spelling is kept inline: operands
// are made and copied for every node, and none is longer than a name with its prefixes.
class Operand {
 public:
  static constexpr std::size_t kCapacity = 46;

  Operand() = default;
  Operand(std::string_view spelled, TypeRef typed) : type(typed) { assign(spelled); }
  // A numbered operand such as "T12" or "S3".
  Operand(char letter, std::uint32_t number, TypeRef typed);
  // A short prefix and a number in decimal, such as "#U12" or "#L-5".
  template <std::size_t N>
  Operand(const char (&prefix)[N], long long number, TypeRef typed) : type(typed) {
    std::memcpy(buffer_, prefix, N - 1);
    assignNumber(N - 1, number);
  }
  // A letter and the digits that follow it in `digits`, such as "T" and "12".
  Operand(char letter, std::string_view digits, TypeRef typed);
  // A prefix and a name, such as "@_" and "main".
  template <std::size_t N>
  Operand(const char (&prefix)[N], std::string_view name, TypeRef typed) : type(typed) {
    std::memcpy(buffer_, prefix, N - 1);
    std::size_t length = std::min(name.size(), kCapacity - (N - 1));
    std::memcpy(buffer_ + N - 1, name.data(), length);
    length_ = static_cast<std::uint8_t>(N - 1 + length);
  }

  std::string_view text() const { return {buffer_, length_}; }
  void writeTo(LineBuffer& out) const { out.appendField(buffer_, length_); }
  // Into room for kCapacity bytes; returns the end of the text.
  char* writeTo(char* at) const {
    std::memcpy(at, buffer_, kCapacity);  // the whole array: cheaper than its exact length
    return at + length_;
  }
  bool indirect() const { return length_ > 0 && buffer_[0] == '*'; }
  // The object this operand points to, and the pointer an indirect operand stands for.
  Operand pointee(TypeRef typed) const;
  Operand withoutIndirection(TypeRef typed) const { return {text().substr(1), typed}; }

  TypeRef type = nullptr;
  std::optional<long long> constant;  // an integer constant: its value

 private:
  void assign(std::string_view spelled);
  void assignNumber(std::size_t at, long long number);  // after a prefix of `at` bytes

  char buffer_[kCapacity] = {};
  std::uint8_t length_ = 0;
};

// The emitter's current output stream: the output, or for a while another sink.
class SwitchableSink : public LineSink {
 public:
  explicit SwitchableSink(LineSink& out) : target_(&out) {}
  void write(std::string_view text) override;
  // Sends the records to `to` from now on; returns where they went before.
  LineSink* redirect(LineSink* to) { return std::exchange(target_, to); }

 private:
  LineSink* target_;
};

// The records are put together in a buffer, which is handed on to the stream after each
// external declaration and file-scope pragma (the preprocessor's records may follow), when it
// has grown large, and before the stream is redirected.
class Emitter : public TopLevelSink, public PragmaRecords {
 public:
  static constexpr std::uint32_t kMaxLabels = 50000;
  static constexpr std::uint32_t kMaxTemporaries = 65535;
  static constexpr std::size_t kHandOnBytes = 64 * 1024;
  // How deep the walk over one expression may go (a sum of n terms is n deep); deeper ends the
  // run with 138, as deep nesting does in the parser. The program's stack is sized for it.
  static constexpr std::uint32_t kMaxExpressionDepth = 50000;

  // marks and sections: what the pragmas set; without them no function is marked and every
  // section kind stays near.
  Emitter(LineSink& out, TypeLines& types, TypeTable& typeTable, Diagnostics& diagnostics,
          const RunOptions& options, const FunctionMarks* marks = nullptr,
          const SectionTable* sections = nullptr);
  // A run that ends with a fatal message still hands on what was written before it.
  ~Emitter() override;
  Emitter(const Emitter&) = delete;
  Emitter& operator=(const Emitter&) = delete;

  void topLevel(const TopLevel& item) override;
  void pragmaRecord(std::string_view record, std::optional<std::uint32_t> bodyLine) override;
  // Told where each function definition's records begin and end.
  void setFunctionBodies(FunctionBodies* bodies) { bodies_ = bodies; }
  // Where output held back may spill (a HeldOutput over it); none: held output stays in memory.
  void setSpillFile(SpillFile* spill) { spill_ = spill; }
  // Where the bodies of builtin and inline functions are kept; none: every call is a call.
  void setBodyLibrary(BuiltinLibrary* library) { library_ = library; }

 private:
  struct Loop {
    std::uint32_t breakLabel = 0;
    std::uint32_t continueLabel = 0;  // 0 for a switch
    bool breakUsed = false;
  };
  struct SwitchCase {
    long long value;
    std::uint32_t label;
  };
  // Counts one level of the walk over an expression for as long as it lives.
  class Deeper {
   public:
    explicit Deeper(Emitter& emitter);
    ~Deeper() { --depth_; }
    Deeper(const Deeper&) = delete;
    Deeper& operator=(const Deeper&) = delete;

   private:
    std::uint32_t& depth_;
  };
  struct SwitchState {
    Operand selector;
    std::vector<SwitchCase> cases;
    std::uint32_t defaultLabel = 0;
  };

  // emitter.cpp: records, numbers and symbol lines
  void line(std::string_view text);
  [[gnu::always_inline]] void endLine() {
    text_.put('\n');
    if (text_.size() >= kHandOnBytes) handOn();
  }
  void handOn();  // what the buffer holds, to the stream
  void declaration(const TopLevel& item);
  std::uint32_t typeIndex(TypeRef type);
  std::uint32_t newLabel();
  Operand newTemporary(TypeRef type);
  std::uint32_t nextTemporary();
  void symbolNames(std::string_view name);
  void symbolLineEnds(HeldOutput& data);
  bool markDeclared(const Symbol* symbol);
  void declareGlobal(Symbol* symbol, const Initializer* init, bool definition);
  void declareFunction(Symbol* symbol);
  void declareStatic(Symbol* symbol, const Initializer* init);
  void declareAutomatic(Symbol* symbol);
  void function(const TopLevel& item);
  int sectionOf(const Symbol* symbol, bool initialised) const;
  int memoryOf(const Symbol* symbol, int section) const;
  // String literals are objects of the const section, in that section's current size.
  int stringMemory() const;
  // -Xb: statics are named @..S<n>, as the bodies will stand in other programs.
  bool makingBuiltins() const { return (options_.builtinMake & 0x01) != 0; }
  // Writes the held pragma records of the function body that stand before the line.
  void placeHeldRecords(std::uint32_t beforeLine);
  std::uint32_t attributeBits(const Symbol* function) const;
  void checkInlineConvention(const Symbol* function);
  bool keptInStore(const Symbol* function) const;  // an inline definition whose calls copy it
  void functionRecords(const TopLevel& item);
  void checkReturnAtEnd(const Symbol* function, TypeRef returnType);
  Operand operandOf(const Symbol* symbol);

  // emit_initializers.cpp
  // The data lines of an initialiser, held back while the symbol line is written: the string
  // objects they refer to are written at once, before it. Nothing without an initialiser.
  void holdData(TypeRef type, const Initializer* init, HeldOutput& held);
  void initializerData(TypeRef type, const Initializer* init);
  void dataLine(std::string_view text);
  void dataOf(TypeRef type, const Initializer* init, std::uint32_t& written);
  void aggregateData(TypeRef type, const std::vector<Initializer*>& elements, std::size_t& at,
                     std::uint32_t& written);
  void scalarData(TypeRef type, const Expr* value, std::uint32_t& written);
  void stringData(TypeRef type, const Expr* string, std::uint32_t& written);
  void integerItem(char size, long long value);
  void zeroFill(std::uint32_t bytes);
  void flushData();
  std::string addressText(const Expr* value);
  Operand stringObject(const Expr* string);

  // emit_statements.cpp
  void statement(const Stmt* stmt);
  void block(const Stmt* stmt, bool functionBody);
  void lineRecord(SourceSpot spot);
  void assemblyLines(std::string_view head, std::string_view text);
  void ifStatement(const Stmt* stmt);
  void whileStatement(const Stmt* stmt);
  void doStatement(const Stmt* stmt);
  void forStatement(const Stmt* stmt);
  void switchStatement(const Stmt* stmt);
  void jump(std::uint32_t label);
  void label(std::uint32_t label);
  void conditionalJump(bool when, const Operand& operand, std::uint32_t target);
  std::uint32_t userLabel(std::string_view name);
  // Jumps to `target` when the condition is `when` (true or false); falls through otherwise.
  void branch(const Expr* condition, bool when, std::uint32_t target);

  // emit_expressions.cpp
  Operand value(const Expr* expr);
  void discard(const Expr* expr);
  Operand constant(const Expr* expr);
  // Called for every constant operand: kept inline so that its result is built in place.
  [[gnu::always_inline]] Operand constantOf(long long value, TypeRef type) {
    Operand result = constantText(value, type);
    if (!type || type->isInteger()) result.constant = value;
    return result;
  }
  Operand constantText(long long value, TypeRef type);
  Operand name(const Expr* expr);
  Operand address(const Expr* lvalue);
  Operand lvalue(const Expr* expr);
  Operand loaded(const Operand& operand);
  Operand binary(const Expr* expr);
  Operand pointerArithmetic(const Expr* expr, const Operand& left, const Operand& right);
  Operand scaled(const Operand& index, std::uint32_t size);
  Operand assignment(const Expr* expr);
  Operand increment(const Expr* expr);
  Operand unary(const Expr* expr);
  Operand conversion(const Expr* expr);
  Operand call(const Expr* expr);
  // The stored body that replaces a direct call of the function, checked against the number
  // of arguments; none for a normal call.
  std::optional<std::string> bodyForCall(const Symbol* callee, std::size_t arguments,
                                         unsigned line);
  Operand logical(const Expr* expr);
  Operand conditional(const Expr* expr);
  Operand bitFieldRead(const Expr* member, const Operand& container);
  Operand bitFieldWrite(const Expr* change, const Operand& value);  // an assignment or a step
  Operand shifted(const char* op, const Operand& from, std::uint32_t bits);  // from when 0 bits
  Operand signSpread(const Operand& bits, const Member& field);
  void instruction(std::string_view op, const Operand& a, const Operand& b, const Operand& r);
  // The value of an assignment's source, its last instruction writing to `target` instead of a
  // new temporary where it can; an empty operand when it did.
  Operand valueInto(const Expr* expr, const Operand& target);
  void assignFrom(const Expr* expr, const Operand& target);  // valueInto, then "=" if needed
  Operand resultFor(const Expr* expr);  // that target for the node given, else a new temporary

  SwitchableSink stream_;
  LineBuffer text_;  // records not yet handed on to the stream
  TypeLines& types_;
  TypeTable& typeTable_;
  Diagnostics& diagnostics_;
  const RunOptions& options_;
  const FunctionMarks* marks_;
  const SectionTable* sections_;
  FunctionBodies* bodies_ = nullptr;
  SpillFile* spill_ = nullptr;
  BuiltinLibrary* library_ = nullptr;

  std::uint32_t labels_ = 0;
  std::uint32_t temporaries_ = 0;
  std::uint32_t statics_ = 0;
  std::uint32_t blocks_ = 1;
  std::uint32_t calls_ = 0;
  std::uint32_t depth_ = 0;                   // of the walk over the current expression
  const Expr* discarded_ = nullptr;           // the node whose value discard() does not want
  std::vector<const Symbol*> localDeclared_;  // of the function being written, forgotten after it

  // The function being written.
  const Symbol* function_ = nullptr;
  std::uint32_t automatics_ = 0;
  std::uint32_t endLabel_ = 0;
  bool endUsed_ = false;  // a return jumps to the end label
  bool lastWasJump_ = false;
  std::vector<Loop> loops_;
  std::vector<SwitchState> switches_;
  std::vector<std::pair<std::string_view, std::uint32_t>> userLabels_;
  std::vector<Operand> arguments_;  // of the calls being written, innermost last
  // Records of pragmas in the body being parsed, by the line they stand on.
  std::vector<std::pair<std::uint32_t, std::string>> heldRecords_;

  // Integer initialiser items being gathered on one line.
  char dataSize_ = 0;
  int dataItems_ = 0;
  std::string dataLine_;
  LineSink* dataOut_ = nullptr;            // where data lines go while held back; none: the output
  const Expr* destinationNode_ = nullptr;  // the node whose result may go to destination_
  Operand destination_;
};

}  // namespace kz::cfront
