#pragma once
// The preprocessor: source files and their include stack, directives, conditional groups
// and macro expansion. next() hands out the fully expanded tokens of the translation unit,
// newlines included, so the tokenizer of the parser and the preprocess-only writer read
// the same stream.
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "cfront/diagnostics.h"
#include "cfront/hide_sets.h"
#include "cfront/lexer.h"
#include "cfront/macro_table.h"
#include "cfront/pragma_table.h"
#include "cfront/settings.h"
#include "cfront/source_buffer.h"
#include "cfront/spelling_store.h"
#include "cfront/token.h"

namespace kz::cfront {

// Records the compile-mode output receives from the preprocessor (file, line and macro
// definition records).
class RecordSink {
 public:
  virtual ~RecordSink() = default;
  virtual void sourceFileEntered(const std::string& name, std::uint32_t line) = 0;
  virtual void macroDefined(std::string_view name, std::string_view body) = 0;
};

class Preprocessor {
 public:
  static constexpr int kMaxIncludeDepth = 31;  // files below the primary one
  static constexpr std::size_t kMaxConditionalDepth = 31;
  static constexpr std::size_t kMaxBodyLength = 512;
  static constexpr std::size_t kMaxNameLength = 31;
  // Collected arguments of one macro call, in bytes of spelling.
  static constexpr std::size_t kArgumentBufferSize = 64 * 1024;
  // Tokens waiting to be rescanned; more means a runaway expansion.
  static constexpr std::size_t kMaxPendingTokens = std::size_t{1} << 21;
  // Replacements made while no token is read from a file; more means a runaway expansion.
  static constexpr std::size_t kMaxReplacementsPerSourceToken = std::size_t{1} << 20;
  // Tokens made by replacements and argument expansion while no token is read from a file:
  // each nesting of calls copies its tokens again, so this bounds the work of a runaway.
  static constexpr std::size_t kMaxMadeTokensPerSourceToken = std::size_t{1} << 22;
  // Bytes of spelling made by # and ## likewise: each is kept for the rest of the run.
  static constexpr std::size_t kMaxMadeBytesPerSourceToken = std::size_t{1} << 24;

  // sourceDateEpoch: seconds since 1970 for __DATE__ and __TIME__, instead of the clock.
  Preprocessor(const RunOptions& options, Diagnostics& diagnostics,
               std::optional<long long> sourceDateEpoch);
  ~Preprocessor();
  Preprocessor(const Preprocessor&) = delete;
  Preprocessor& operator=(const Preprocessor&) = delete;

  void setRecordSink(RecordSink* sink) { records_ = sink; }
  void setPragmaHandler(PragmaHandler* handler) { pragmas_ = handler; }
  // The parser has no use for the end of a line: next() then skips newlines as it reads them.
  void setDropNewlines(bool drop) { dropNewlines_ = drop; }

  // The macros that exist before the options: defined, __DATE__, __TIME__, __FILE__,
  // __LINE__ and __Xmsdos__.
  void definePredefined();
  // __STDC__ and __ZEL__, after the options.
  void defineAfterOptions();
  // -D name or -D name=text.
  void defineFromCommandLine(std::string_view text);
  void undefineFromCommandLine(std::string_view name);
  void undefinePredefined();

  // Directories ending in '/', slot 0 the primary file's directory.
  void setIncludeDirectories(std::vector<std::string> directories) {
    includeDirs_ = std::move(directories);
  }
  // The primary file (nullopt: standard input, already read into text).
  void openPrimary(const std::optional<std::string>& name, std::string rawText);
  void openPrimary(const std::optional<std::string>& name, SourceBuffer rawText);

  // The next expanded token; endOfFile once the primary file has ended.
  Token next() {
    Token token;
    next(token);
    return token;
  }
  // The same into a token the caller holds. A token straight from the file that needs no
  // further look is handed on at once.
  [[gnu::always_inline]] void next(Token& token) {
    if (pending_.empty()) {
      do {
        lexer_->next(token, dropNewlines_);
      } while (token.kind == TokenKind::newline && dropNewlines_);
      if (isPlain(token)) {
        resetMadeCounts();
        return;
      }
      settleLexed(token);
    } else {
      token = pending_.back();
      pending_.pop_back();
    }
    expandFrom(token);
  }

  // next() for a token straight from the file that needs no further look; false, with
  // nothing read, for any other, which next() then reads.
  [[gnu::always_inline]] bool nextPlain(Token& token) {
    if (!pending_.empty() || !lexer_->lexCommon(token, dropNewlines_) || !isPlain(token))
      return false;
    lexer_->pass(token);
    resetMadeCounts();
    return true;
  }

  SourcePosition position() const;
  const std::string& fileName(std::uint16_t file) const { return fileNames_[file]; }
  int includeDepth() const { return static_cast<int>(levels_.size()) - 1; }
  const MacroTable& macros() const { return macros_; }

 private:
  // One file of the include stack.
  struct Level {
    Level(std::shared_ptr<const SourceBuffer> source, std::uint16_t fileIndex,
          Diagnostics* diagnostics)
        : text(std::move(source)), lexer(text->text(), fileIndex, diagnostics), file(fileIndex) {}

    std::shared_ptr<const SourceBuffer> text;
    Lexer lexer;
    std::uint16_t file;
    std::size_t conditionalDepth = 0;  // open groups when the file was entered
  };

  // The arguments of one call, end to end; argument i ends before tokens[ends[i]].
  struct Arguments {
    std::vector<Token> tokens;
    std::vector<std::uint32_t> ends;
    std::size_t count() const { return ends.size(); }
    std::span<const Token> operator[](std::size_t i) const {
      std::uint32_t begin = i == 0 ? 0 : ends[i - 1];
      return std::span<const Token>(tokens).subspan(begin, ends[i] - begin);
    }
  };
  // What one macro call works in, kept from call to call so that expanding allocates little.
  struct CallBuffers {
    Arguments arguments;
    std::vector<Token> expanded;  // the arguments expanded on their own, as far as needed
    std::vector<std::uint32_t> expandedBegin;  // by parameter; kNotExpanded until needed
    std::vector<std::uint32_t> expandedEnd;
    std::vector<Token> result;
  };
  static constexpr std::uint32_t kNotExpanded = ~std::uint32_t{0};
  // The buffers of the innermost call being expanded, for as long as it lives.
  class CallLevel {
   public:
    explicit CallLevel(Preprocessor& preprocessor);
    ~CallLevel() { --preprocessor_.callDepth_; }
    CallLevel(const CallLevel&) = delete;
    CallLevel& operator=(const CallLevel&) = delete;
    CallBuffers& buffers;

   private:
    Preprocessor& preprocessor_;
  };

  // The token stream under expansion: pending tokens first, then the current file.
  Token raw();
  void readRaw(Token& token);
  void lexFile(Token& token);
  // A token from the file that is neither a directive's '#', nor a dropped newline, nor the
  // end of the file, nor a name that may be a macro's.
  bool isPlain(const Token& token) const {
    switch (token.kind) {
      case TokenKind::identifier:
        return !macros_.mayBeDefined(token.text);
      case TokenKind::punctuator:
        return !token.has(token_flag::kLineStart) || token.text.size() != 1 || token.text[0] != '#';
      case TokenKind::newline:
        return !dropNewlines_;
      case TokenKind::endOfFile:
        return false;
      default:
        return true;
    }
  }
  // Goes on from a token just lexed from the file: drops newlines, executes directives.
  void settleLexed(Token& token);
  // Goes on from a token just read: leaves a finished file, expands macro calls.
  void expandFrom(Token& token);
  void resetMadeCounts() {
    replacements_ = 0;
    madeTokens_ = 0;
    madeBytes_ = 0;
  }
  void push(const Token& token);
  void pushReversed(std::span<const Token> tokens);
  void countMade(std::size_t tokens) {
    madeTokens_ += tokens;
    if (madeTokens_ > kMaxMadeTokensPerSourceToken) diagnostics_.report(Message::outOfSpace);
  }
  std::string_view keepMade(std::string_view spelling) {
    madeBytes_ += spelling.size();
    if (madeBytes_ > kMaxMadeBytesPerSourceToken) diagnostics_.report(Message::outOfSpace);
    return keep(spelling);
  }
  bool endOfFile();  // true when reading goes on in an including file

  // macro_expansion.cpp
  bool expandMacro(const Macro& macro, const Token& name);
  Token specialToken(const Macro& macro, const Token& name);
  bool readArguments(const Macro& macro, const Token& name, Arguments& arguments, Token& closing);
  void substitute(const Macro& macro, CallBuffers& buffers);
  std::span<const Token> expandedArgument(CallBuffers& buffers, std::size_t parameter);
  std::vector<Token> expandList(std::span<const Token> tokens);
  void expandListInto(std::span<const Token> tokens, std::vector<Token>& into);
  Token stringize(std::span<const Token> argument, const Token& where);
  void paste(std::vector<Token>& result, std::span<const Token> right);
  Token definedOperator(const Token& name);
  std::string_view keep(std::string_view text) { return spellings_.keep(text); }
  const std::string& dateAndTime(bool date);

  // directives.cpp
  void directive(const Token& hash);
  std::vector<Token> restOfLine();
  void skipGroup();
  void doDefine(std::span<const Token> line);
  void doUndef(std::span<const Token> line);
  void doInclude(const Token& keyword, std::span<const Token> line);
  void doIf(std::span<const Token> line, bool expression, bool wanted);
  void doElif(std::span<const Token> line);
  void doElse(std::span<const Token> line);
  void doEndif(std::span<const Token> line);
  void doLine(std::span<const Token> line);
  void doError(std::span<const Token> line);
  void doPragma(const Token& keyword, std::span<const Token> line);
  void checkEndOfDirective(std::span<const Token> rest);
  bool evaluateCondition(std::span<const Token> line);
  std::unique_ptr<Macro> parseDefinition(std::span<const Token> line);
  std::unique_ptr<Macro> definitionFromText(std::string_view name, std::string_view body);
  void defineFixed(std::string_view name, std::string_view body);
  bool parseParameters(std::span<const Token> line, std::size_t& at, Macro& macro);
  bool parseBody(std::span<const Token> body, Macro& macro);
  void addDefinition(std::unique_ptr<Macro> macro);
  void announceDefinition(const Macro& macro);
  void enterFile(const std::string& name, SourceBuffer rawText);
  std::uint16_t fileIndexOf(const std::string& name);
  std::string spellingOf(std::span<const Token> tokens) const;

  const RunOptions& options_;
  Diagnostics& diagnostics_;
  RecordSink* records_ = nullptr;
  PragmaHandler* pragmas_ = nullptr;
  MacroTable macros_;
  HideSets hideSets_;
  std::vector<std::unique_ptr<Level>> levels_;
  Lexer* lexer_ = nullptr;      // the innermost file's
  std::vector<Token> pending_;  // a stack: the next token at the back
  std::vector<std::uint8_t> conditionals_;
  bool active_ = true;
  bool dropNewlines_ = false;
  bool inCondition_ = false;
  bool conditionFailed_ = false;  // a defined operator already reported the expression
  std::size_t replacements_ = 0;  // since the last token read from a file
  std::size_t madeTokens_ = 0;    // likewise
  std::size_t madeBytes_ = 0;     // likewise
  std::vector<std::string> includeDirs_;
  std::deque<std::string> fileNames_;           // messages keep pointers to these
  std::optional<std::uint32_t> directiveLine_;  // the line of the directive being executed
  std::unordered_map<std::string, std::uint16_t> fileIndex_;
  std::unordered_map<std::string, std::shared_ptr<const SourceBuffer>> fileTexts_;
  SpellingStore spellings_;  // spellings made by expansion, alive for the run
  std::vector<std::unique_ptr<CallBuffers>> callBuffers_;  // by depth of nested calls
  std::size_t callDepth_ = 0;
  std::vector<Token> lineBuffer_;  // the tokens of the directive being read
  std::string spelling_;           // a spelling being built
  std::optional<long long> sourceDateEpoch_;
  std::string dateText_;
  std::string timeText_;
  Token currentName_;  // the macro call being collected, for messages
};

// A -D text split into name and body; false when the name is not a valid macro name.
bool splitCommandLineDefinition(std::string_view text, std::string_view& name,
                                std::string_view& body);

}  // namespace kz::cfront
