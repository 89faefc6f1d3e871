#pragma once
// The checker's state and steps, shared by the files that read declarations (il_declarations)
// and records (il_records); il_checker.cpp walks the lines.
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "tests/cfront/il_check/il_checker.h"
#include "tests/cfront/il_check/il_fields.h"
#include "tests/cfront/il_check/il_types.h"

namespace kz::iltest::detail {

inline constexpr std::size_t kCNameLength = 31;
inline constexpr std::size_t kAsmNameLength = 32;

enum class Shape {
  assign,
  compound,
  binary,
  unary,
  step,
  cArgument,
  cCall,
  aArgument,
  aCall,
  inlineCall,
  label,
  jump,
  test,
  text,
  other
};

struct MnemonicShape {
  std::string_view name;
  Shape shape;
};

const MnemonicShape* findMnemonic(std::string_view name);

inline std::string number(std::uint64_t value) { return std::to_string(value); }

inline std::uint32_t evenSize(std::uint64_t size) {
  return static_cast<std::uint32_t>(std::min<std::uint64_t>((size + 1) & ~1ull, 1u << 30));
}

// Where the records between "BEGIN" and the body stand.
enum class Header { none, functionType, functionSymbol, parameters };

struct PendingArgument {
  std::size_t line;
  std::uint32_t position;
  std::uint64_t size;  // 0 unknown
};

// What a function's records number for themselves. A body copied after an INLINE line is a
// function of its own inside the caller: its temporaries (numbered on from the caller's), the
// labels it may jump to, call numbers and local types are its own, and the caller's are put
// aside until its END. Labels are defined once in the whole run, copies included.
struct FunctionState {
  std::string name;
  Header header = Header::none;
  std::uint32_t returnType = 0;
  std::vector<std::uint32_t> parameters;
  bool variadic = false;
  std::unordered_map<std::uint32_t, std::uint32_t> automatics;
  std::unordered_map<std::uint32_t, std::uint32_t> temporaries;
  std::uint32_t lastTemporary = 0;
  std::set<std::uint64_t> calls;
  std::vector<std::uint32_t> blocks;
  std::unordered_set<std::uint32_t> functionLabels;
  std::vector<std::pair<std::uint32_t, std::size_t>> jumps;
  std::uint32_t nextLocalType = 0;
  std::unordered_map<std::uint32_t, IlType> localTypes;
  std::string blockEnd;  // the line that follows the caller's END
};

struct DataObject {
  std::size_t line = 0;  // 0: no object takes data now
  std::uint64_t size = 0;
  std::uint64_t written = 0;
};

class Checker {
 public:
  std::vector<IlProblem> run(std::string_view text);

 private:
  void problem(std::string text) { problems_.push_back({line_, std::move(text)}); }
  void problemAt(std::size_t at, std::string text) { problems_.push_back({at, std::move(text)}); }

  void checkLine(std::string_view text);
  void declaration(std::string_view text);
  void record(std::string_view text);

  // Declarations.
  void typeLine(std::uint32_t index, const std::vector<std::string_view>& fields);
  void structLine(std::uint32_t index, const std::vector<std::string_view>& fields);
  void enumLine(std::uint32_t index, const std::vector<std::string_view>& fields);
  void functionTypeLine(std::uint32_t index, const std::vector<std::string_view>& fields);
  void globalLine(const std::vector<std::string_view>& fields);
  void staticLine(std::uint32_t number, const std::vector<std::string_view>& fields);
  void automaticLine(std::uint32_t number, const std::vector<std::string_view>& fields);
  void temporaryLine(const std::vector<std::string_view>& fields);
  void commaLine(std::string_view text);
  void memberLine(const std::vector<std::string_view>& fields);
  void parameterLine(const std::vector<std::string_view>& fields);
  void dataLine(std::string_view text);
  void finishData();
  bool newTypeIndex(std::uint32_t index, char kind);
  std::optional<std::uint32_t> knownType(std::string_view field);

  // Records.
  void blockOpen(std::uint32_t number);
  void blockClose(std::uint32_t number);
  void begin(std::string_view name);
  void end(std::string_view name);
  void instruction(const MnemonicShape& entry, const std::vector<std::string_view>& fields);
  void argumentsMustEnd();
  void checkCall(const MnemonicShape& entry, const std::vector<std::string_view>& fields);
  void checkAdeclArguments();
  std::optional<OperandView> operand(std::string_view text, bool writes);
  std::uint64_t operandSize(const OperandView& view) const;
  std::optional<std::uint32_t> operandType(const OperandView& view) const;
  void jumpTo(std::string_view field);
  void swapFunctionState(FunctionState& state);

  bool inFunction() const { return !functionName_.empty(); }
  // The scope a record's index belongs to: a tag line made at file scope is completed there.
  bool scopeOf(std::uint32_t index) const {
    return inFunction() && !types_.declaredHere(index, false);
  }

  std::vector<IlProblem> problems_;
  std::size_t line_ = 0;
  IlTypes types_;
  std::uint32_t nextFileType_ = IlTypes::kFirstFile;
  std::uint32_t nextLocalType_ = IlTypes::kFirstLocal;

  // Lines that must follow one another.
  std::uint32_t membersLeft_ = 0;
  char membersOf_ = 0;  // 's', 'u' or 'n'
  DataObject data_;
  std::uint32_t pendingTemporary_ = 0;
  std::size_t pendingTemporaryLine_ = 0;
  std::vector<PendingArgument> cArguments_;
  std::vector<PendingArgument> aArguments_;
  std::string aCall_;
  bool expectBegin_ = false;
  bool expectBlockEnd_ = false;
  std::string blockEnd_ = "},1";        // the line that must follow END
  bool expectCopiedBody_ = false;       // after INLINE: "{,n" then BEGIN
  std::uint32_t copiedBlock_ = 0;       // the block that opens the copied body
  std::vector<FunctionState> callers_;  // of the copied bodies being read

  // Declared objects.
  std::unordered_map<std::string, std::uint32_t> globals_;
  std::unordered_map<std::uint32_t, std::uint32_t> statics_;
  std::unordered_map<std::uint32_t, std::uint32_t> automatics_;
  std::unordered_map<std::uint32_t, std::uint32_t> temporaries_;  // of the current function
  std::uint32_t lastTemporary_ = 0;
  std::set<std::uint64_t> calls_;

  // The function being read.
  std::string functionName_;
  Header header_ = Header::none;
  std::uint32_t returnType_ = 0;
  std::vector<std::uint32_t> parameters_;
  bool variadic_ = false;
  std::vector<std::uint32_t> blocks_;
  std::unordered_set<std::uint32_t> blockNumbers_;
  std::unordered_set<std::uint32_t> labels_;  // defined in the run
  std::unordered_set<std::uint32_t> functionLabels_;
  std::vector<std::pair<std::uint32_t, std::size_t>> jumps_;
};

}  // namespace kz::iltest::detail
