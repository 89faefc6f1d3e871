#pragma once
// The pragmas of compile mode: each one either writes a record for the next pass (OPT, STACK,
// LOOP, DEFINE, section records) or changes the front end's own state (packing, the default
// calling convention, pointer sizes, function marks, io variables, builtin functions).
// A malformed pragma is reported and otherwise ignored.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "cfront/diagnostics.h"
#include "cfront/pragma_table.h"
#include "cfront/sections.h"
#include "cfront/settings.h"
#include "cfront/syntax_tree.h"
#include "cfront/token.h"

namespace kz::cfront {

// What the pragmas ask of the parser: where it stands and what a name is declared as.
class PragmaPlace {
 public:
  virtual ~PragmaPlace() = default;
  virtual bool inBlockScope() const = 0;
  virtual bool inFunctionBody() const = 0;
  virtual bool inInitializer() const = 0;
  // The innermost declaration of the name, nullptr when it has none.
  virtual const Symbol* lookUp(std::string_view name) = 0;
  // Declares a file-scope io variable at the address and hands it to the record writer.
  virtual void declareIoVariable(std::string_view name, std::uint32_t address) = 0;
};

// Where the records of the pragmas go. A pragma inside a function body stands among the
// statements of that function: its record is held until the body is written.
class PragmaRecords {
 public:
  virtual ~PragmaRecords() = default;
  virtual void pragmaRecord(std::string_view record, std::optional<std::uint32_t> bodyLine) = 0;
};

// Reads a builtin-function file named by #pragma builtin_file: `angled` for <name>.
class BuiltinFileReader {
 public:
  virtual ~BuiltinFileReader() = default;
  virtual void readBuiltinFile(const std::string& name, bool angled) = 0;
};

// What the pragmas mark on functions by name, for the declarations and the emitter.
struct FunctionMarks {
  std::unordered_map<std::string, int> disinterrupt;  // 1 + the pragma's number
  std::unordered_set<std::string> inlineFunctions;
  std::unordered_set<std::string> builtinFunctions;  // entered from builtin-function files
  // builtin_on/builtin_off: the switch of each name, and of every name not switched itself.
  std::unordered_map<std::string, bool> builtinSwitch;
  bool builtinsEnabled = true;

  // The pragma's number + 1, or 0 when the function is not marked.
  int disinterruptOf(std::string_view name) const;
  bool isInline(std::string_view name) const;
  bool isBuiltin(std::string_view name) const;  // entered and switched on
};

// Functions that may be inline or builtin: adecl or cdecl, with or without callv.
bool mayBeInline(const Symbol& function);

class Pragmas : public PragmaHandler {
 public:
  static constexpr int kMaxOptimisation = 9;
  static constexpr int kMaxDisinterrupt = 127;
  static constexpr long kMaxIoAddress = 65535;

  Pragmas(RunOptions& options, Diagnostics& diagnostics, SectionTable& sections,
          FunctionMarks& marks, PragmaPlace& place, PragmaRecords& records,
          BuiltinFileReader* builtinFiles);

  void handlePragma(PragmaId id, const Token& keyword, std::span<const Token> operand) override;

 private:
  class Operand;

  void opt(Operand& operand);
  void externSize(Operand& operand);
  void disinterrupt(Operand& operand);
  void builtinFile(Operand& operand);
  void builtinSwitch(Operand& operand, bool enable);
  void inlineFunctions(Operand& operand);
  void io(Operand& operand);
  void onOff(Operand& operand, std::string_view record);
  void pack(Operand& operand);
  void section(Operand& operand);
  void define(Operand& operand);

  // A function name of disinterrupt or inline: false after 262.
  bool checkFunctionName(std::string_view name);
  void nameList(Operand& operand, const std::function<void(std::string_view)>& each);
  void record(const std::string& text);

  RunOptions& options_;
  Diagnostics& diagnostics_;
  SectionTable& sections_;
  FunctionMarks& marks_;
  PragmaPlace& place_;
  PragmaRecords& records_;
  BuiltinFileReader* builtinFiles_;
  std::uint32_t line_ = 0;  // of the pragma being executed
};

}  // namespace kz::cfront
