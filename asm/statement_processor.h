#pragma once
// One statement at a time, in every pass: the label field, the statement forms, and the
// effect of each directive and control on sections, symbols and the listing state.
// Instructions go to the encoder. In the final pass each statement is handed to the sink.
//
// Messages: problems of a statement's form are reported in pass 1 only (later passes meet
// them again and stay silent); values are evaluated with messages in pass 1 and the final
// pass, silently in the sizing passes.
#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "asm/debug_directives.h"
#include "asm/encoder.h"
#include "asm/expr_parser.h"
#include "asm/muted_reporter.h"
#include "asm/operand.h"
#include "asm/reserved_words.h"
#include "asm/run_options.h"
#include "asm/source_reader.h"
#include "asm/statement_output.h"
#include "asm/symbols.h"

namespace kz::assembler {

struct IncludeRequest {
  std::string name;
  IncludeForm form = IncludeForm::quoted;
};

struct StatementOutcome {
  bool endReached = false;
  std::optional<IncludeRequest> include;
};

// The listing state that $LIST/$NOLIST change and $SAVE/$RESTORE keep.
struct ListingState {
  bool listing = true;
};

class StatementProcessor {
 public:
  static constexpr std::size_t kSaveDepth = 8;
  static constexpr std::size_t kMaxDataBytes = 1024;
  static constexpr std::size_t kMaxTitle = 320;
  static constexpr std::size_t kMaxModuleName = 32;
  static constexpr std::uint32_t kMaxLocation = 0xFFFF;
  static constexpr int kLastSizingRepetition = 11;

  StatementProcessor(const RunOptions& options, Reporter& reporter, SymbolTable& symbols);

  void setSink(StatementSink* sink) { sink_ = sink; }
  void beginPass(Pass pass, int repetition = 0);
  // tokens: the statement without its line end; identifiers may get their symbol index.
  // failedBefore: the statement drew an error in pass 1 (later passes treat it alike).
  StatementOutcome process(int fileIndex, long line, std::span<Token> tokens,
                           bool failedBefore = false);

  // End of the source in this pass: 506 and 514 in pass 1, 503 in the last sizing pass
  // when it had no END statement.
  void finishPass();

  // A label, EQU value or instruction size changed in this pass.
  bool layoutMoved() const { return moved_ || encoder_.layoutChanged(); }
  // After pass 1: no J had to guess its size and no EQU value waited for a name defined
  // later, so every size and value is final and a sizing pass would change nothing.
  bool layoutSettledInPass1() const { return !forwardEquate_ && encoder_.jumpStatements() == 0; }
  // Goes straight from pass 1 to the final pass; the final pass then also makes the checks
  // that a sizing pass makes.
  void skipSizingPasses();
  bool endSeen() const { return endSeen_; }
  const std::string& moduleName() const { return moduleName_; }
  bool moduleNamed() const { return moduleNamed_; }
  const std::vector<DebugRecord>& debugRecords() const { return debugRecords_; }
  const ListingState& listingState() const { return listingState_; }
  const std::string& title() const { return title_; }
  SymbolTable& symbols() { return symbols_; }

 private:
  struct NameField {
    std::string_view name;
    bool colon = false;
  };

  // Form helpers.
  void formError(Message message, std::string_view argument = {});
  void warnOnce(Message message);
  bool requireNoName(const std::optional<NameField>& name);
  bool requireEnd(std::span<Token> tokens, std::size_t position);
  ExprParser& parser() { return pass_ == Pass::first ? parser_ : mutedParser_; }
  const Evaluator& evaluator() { return pass_ == Pass::sizing ? mutedEvaluator_ : evaluator_; }
  ExprContext context(bool forwardAllowed, bool externalAllowed) const;
  std::optional<exprValue> expression(TokenCursor& cursor, bool forwardAllowed,
                                      bool externalAllowed);
  // A value needed while the statement is read, without forward or external references:
  // absolute (else error 222), or for a location also an offset in the current section.
  std::optional<std::int32_t> absoluteValue(TokenCursor& cursor);
  std::optional<std::int32_t> locationValue(TokenCursor& cursor);
  // Moves the location counter by count units of unit bytes; false when that runs past the
  // end of the address space, so the statement's bytes are not built (error 228 in advance).
  bool advanceUnits(std::uint64_t count, std::uint64_t unit);

  void defineCodeLabel(std::string_view name);
  DefineOutcome defineName(std::string_view name, DefinitionKind kind, const SymbolValue& value);
  void advance(std::uint32_t bytes);
  void emit();
  void endExpressions();

  // Statements.
  void dispatch(const std::optional<NameField>& name, std::span<Token> tokens, std::size_t keyword,
                StatementOutcome& outcome);
  void instruction(std::span<Token> tokens, std::size_t keyword);
  void sectionStatement(std::string_view name, std::span<Token> operands);
  void reopenSection(SectionId id, bool created);
  void moduleStatement(std::span<Token> operands);
  void publicStatement(std::span<Token> operands);
  void externStatement(std::span<Token> operands);
  void equStatement(std::string_view name, std::span<Token> operands);
  void orgStatement(std::span<Token> operands);
  void alignStatement(std::span<Token> operands);
  void endStatement(std::span<Token> operands);
  void control(Control which, std::span<Token> operands);
  void includeStatement(std::span<Token> operands, StatementOutcome& outcome);
  void debugDirective(DebugDirective which, std::span<Token> operands);
  bool placeData(bool initialised);
  bool movesLocationDespiteError();
  void dataStatement(DataDirective which, std::span<Token> operands);
  void storageStatement(std::uint32_t unit, std::span<Token> operands);
  void repeatedStatement(std::uint32_t unit, std::span<Token> operands);
  bool dataItems(std::uint32_t unit, bool stringsAllowed, TokenCursor& cursor);
  void appendValue(std::uint32_t unit, const std::optional<exprValue>& value);
  void floatData(FloatData which, std::span<Token> operands);
  void markOverlappingSections();

  const RunOptions& options_;
  Reporter& reporter_;
  MutedReporter muted_;
  SymbolTable& symbols_;
  ExprParser parser_;
  ExprParser mutedParser_;
  Evaluator evaluator_;
  Evaluator mutedEvaluator_;
  Encoder encoder_;
  OperandParser operandParser_;
  OperandParser mutedOperandParser_;
  StatementSink* sink_ = nullptr;

  Pass pass_ = Pass::first;
  int repetition_ = 0;
  bool moved_ = false;
  bool forwardEquate_ = false;  // pass 1 met an EQU whose value names a later definition
  bool sizingSkipped_ = false;
  bool endSeen_ = false;
  bool anyStatement_ = false;
  int lastFileIndex_ = 0;  // the last line of the pass, for the messages of its end
  long lastLine_ = 0;
  SectionId current_ = kNoSection;
  std::vector<bool> openedThisPass_;
  std::vector<bool> overlapping_;  // absolute sections that overlap an earlier one (error 217)
  bool sectionSeen_ = false;
  std::string moduleName_;
  bool moduleNamed_ = false;
  ListingState listingState_;
  std::vector<ListingState> saveStack_;
  std::string title_;
  std::vector<DebugRecord> debugRecords_;

  EmittedStatement statement_;
  EncodedInstruction sized_;    // the instruction of the passes that only size it
  Token* nameToken_ = nullptr;  // the statement's name field, if it has one
  ExprTree expressionTree_;     // reused by every expression of a directive
};

}  // namespace kz::assembler
