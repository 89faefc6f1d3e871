#pragma once
// The token stream the parser reads: source lines from the reader, directives obeyed,
// skipped branches passed over, macros expanded, identifiers entered in the symbol table,
// #asm blocks handed on whole.
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "clike/conditional_stack.h"
#include "clike/diagnostics.h"
#include "clike/lexer.h"
#include "clike/macro_table.h"
#include "clike/settings.h"
#include "clike/source_reader.h"
#include "clike/string_pool.h"
#include "clike/symbol_table.h"
#include "clike/token.h"

namespace kz::clike {

// Where #include looks: for "name" first the source file's directory, then for both forms
// the directories in order (the -I directories, then the system ones). Each directory ends
// in a separator or is empty (the current directory).
struct IncludeSearch {
  std::string sourceDirectory;
  std::vector<std::string> directories;
};

struct PreprocessorSetup {
  bool kanji = false;
  bool debugInfo = false;
  IncludeSearch search;
  // Receives the debug lines of macro definitions, each ended by "\n".
  std::function<void(std::string_view)> debugLine;
  // The counter that numbers macros and debug types alike; it starts at 64.
  std::int32_t* debugNumbers = nullptr;
  // Told of every appearance of a name in the source (the cross reference).
  std::function<void(const SymbolEntry&, std::uint32_t line, std::uint8_t depth)> reference;
};

class Preprocessor {
 public:
  Preprocessor(Diagnostics& diagnostics, SourceReader& reader, SymbolTable& symbols,
               StringPool& strings, PreprocessorSetup setup);

  // The -D and -U options, applied in order before the source as #define and #undef.
  void applyCommandLineMacros(const std::vector<CommandLineMacro>& macros);

  // The next token for the parser; endOfInput at the end of the main source, again and
  // again. A #pragma line comes as pragma, its tokens and endOfDirective.
  Token next() {
    Token token;
    next(token);
    return token;
  }
  // The same, written into `token` (every field is set).
  void next(Token& token);

  int openConditionals() const { return conditionals_.size(); }
  // Enters a name the compiler makes (a default section name) as a symbol.
  SymbolEntry& intern(std::string_view name, std::uint32_t line, std::uint8_t depth);
  // The text of one of the last few lines read, for the source comments of the output;
  // empty when that line is no longer held.
  std::string_view lineText(long serial) const;
  // The same the first time a line's text is asked for, then empty: a line's text goes out
  // once, not again when later code comes back to it.
  std::string_view takeLineText(long serial);
  // The number of that line among all lines read (include files counted), 0 when the line
  // is no longer held: it tells two readings of one include file apart.
  long lineSerial(std::uint32_t line, std::uint8_t depth) const;
  const MacroTable& macros() const { return macros_; }

 private:
  enum class LineState : std::uint8_t { needLine, inLine, ended };

  [[gnu::noinline]] bool betweenLines(Token& token);
  [[gnu::noinline]] bool lineEnded(Token& token);
  [[gnu::cold]] bool directiveEnded(Token& token);
  [[gnu::noinline]] bool nameToken(Token& token);
  bool advanceLine();
  bool handleLine(std::string_view text);
  [[gnu::always_inline]] inline void startLine(std::string_view text);
  // Tokens come from the lexer's line only while there is one and no token is held.
  void updateLexing() { lexing_ = lineState_ == LineState::inLine && pending_.empty(); }
  void handleSkippedLine(std::string_view text);
  bool handleAsmLine(std::string_view text);
  void finishAsmBlock();
  bool atEndOfFile();
  void keepRecentLines(std::uint8_t depth);
  bool expandMacro(MacroEntry& macro);

  // Directives (directives.cpp).
  [[gnu::noinline]] void directive(const Token& token);
  void defineDirective();
  bool defineMacro(std::string_view name, std::string_view text, bool functionLike,
                   const std::vector<std::string>& parameters, int includeDepth);
  void undefDirective();
  void ifdefDirective(bool wanted);
  void ifDirective();
  void elseDirective();
  void endifDirective();
  void includeDirective();
  void asmDirective();
  void pragmaDirective(const Token& token);
  void openLevel(bool condition);
  std::string continuedDirectiveText(std::string_view rest);
  std::string findInclude(std::string_view name, bool quoted) const;

  Diagnostics& diagnostics_;
  SourceReader& reader_;
  SymbolTable& symbols_;
  StringPool& strings_;
  PreprocessorSetup setup_;
  Lexer lexer_;
  MacroTable macros_;
  ConditionalStack conditionals_;

  LineState lineState_ = LineState::needLine;
  bool lexing_ = false;
  bool directiveMode_ = false;
  bool skipping_ = false;
  int skipNesting_ = 0;             // levels opened inside the skipped branch
  bool skipOverflowLevel_ = false;  // skipping a 17th level, which has no state of its own
  bool inAsm_ = false;
  std::string asmText_;
  std::deque<Token> pending_;
  struct RecentLine {
    std::uint32_t line = 0;
    std::uint8_t depth = 0;
    long serial = 0;     // the line's number among all lines read
    bool taken = false;  // its text was handed out by takeLineText
    // In the reader's text of its file while that is open, then in `kept`.
    std::string_view text;
    std::string kept;
  };
  std::array<RecentLine, 8> recentLines_;
  std::size_t recentNext_ = 0;
  std::vector<std::string> arguments_;
  std::string expansion_;
  // Short names met lately and their symbols, by the lexer's shortNameKey.
  struct ShortName {
    std::uint64_t key = 0;
    SymbolEntry* symbol = nullptr;
    std::uint32_t macroChanges = 0;  // macros_.changes() when it was found
  };
  static constexpr unsigned kShortNameBits = 10;
  static std::size_t shortNameSlot(std::uint64_t key) {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - kShortNameBits));
  }
  std::array<ShortName, std::size_t{1} << kShortNameBits> shortNames_{};
};

}  // namespace kz::clike
