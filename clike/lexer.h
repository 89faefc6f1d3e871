#pragma once
// The character level of the source: one source line at a time, with the texts of the
// active macro expansions stacked on top of it. Skips blanks and comments (a comment may
// run over many lines) and scans fixed words, identifiers, numbers, character constants,
// strings, operators and, at the start of a line, directive words.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "clike/diagnostics.h"
#include "clike/string_pool.h"
#include "clike/token.h"
#include "clike/token_table.h"

namespace kz::clike {

class Lexer {
 public:
  static constexpr int kMaxExpansions = 32;
  // Expansions made for one source line: macros that expand each other twice over would
  // otherwise grow without bound.
  static constexpr int kMaxExpansionsPerLine = 4096;
  static constexpr std::size_t kMaxIdentifierLength = 510;
  static constexpr std::size_t kMaxStringLength = 512;
  // Every text scanned, a source line or a macro's text, is followed by a zero byte or a
  // line feed and more bytes that may be read, kPadding in all: a short word is read as one
  // number.
  static constexpr std::size_t kPadding = kLongestTableWord;

  Lexer(Diagnostics& diagnostics, StringPool& strings, bool kanji);
  Lexer(const Lexer&) = delete;
  Lexer& operator=(const Lexer&) = delete;

  // The next source line becomes the input (followed by kPadding bytes as above, the first
  // of them zero or a line feed); line and depth mark the tokens scanned from it.
  void startLine(std::string_view text, std::uint32_t line, std::uint8_t depth) {
    setTop(0);
    if (!text.data()) text = std::string_view(kEmptyText, 0);
    frames_[0].at = text.data();
    frames_[0].end = text.data() + text.size();
    lineStart_ = true;
    line_ = line;
    depth_ = depth;
    expansionsOnLine_ = 0;
    expansionRefused_ = false;
  }

  // Scans the next token into `token`. Returns false when the line and every expansion on
  // it are used up. An identifier's text stays valid only until the next call.
  bool scan(Token& token);

  // The bytes of the identifier scanned last packed as by tableKeyAt, or 0 when it is longer
  // than kLongestTableWord: such a key tells a short name apart from every other name.
  std::uint64_t shortNameKey() const { return shortNameKey_; }

  // Puts a macro's replacement text in front of the rest of the input. False when
  // kMaxExpansions are active already.
  bool pushExpansion(std::string_view text);
  int expansionDepth() const { return top_; }
  // An expansion of this line was refused: the names after it stay plain names.
  bool expansionRefused() const { return expansionRefused_; }
  void refuseExpansions() { expansionRefused_ = true; }

  // The rest of the source line, which counts as read. For directives at a line start.
  std::string_view takeRestOfLine();
  // Drops the rest of the line and every expansion on it.
  void dropRestOfLine();

  bool inComment() const { return inComment_; }
  void setInComment(bool inComment) { inComment_ = inComment; }

  // After a function-like macro's name: whether '(' follows on this line (blanks, comments
  // and used-up expansions are passed over).
  bool openParenFollows();
  // Reads "(...)" into arguments split at the commas outside parentheses, strings and
  // character constants, each without its surrounding blanks. False when the line ends
  // before the closing parenthesis.
  bool collectArguments(std::vector<std::string>& arguments);

 private:
  struct Frame {
    const char* at = nullptr;
    const char* end = nullptr;
    std::string text;  // the expansion's own copy (unused for the source line)
  };

  static constexpr char kEmptyText[kPadding] = {};

  bool skipCommentBody(Frame& frame);
  void setTop(int top) {
    top_ = top;
    current_ = &frames_[static_cast<std::size_t>(top)];
  }
  // Ends the innermost expansion; false on the source line itself.
  bool leaveFrame();
  [[gnu::always_inline]] inline bool scanPlainToken(Frame& frame, Token& token);
  [[gnu::noinline]] bool scanFull(Token& token);
  [[gnu::cold]] bool scanOther(Frame& frame, Token& token, bool atLineStart);
  [[gnu::always_inline]] inline void scanWord(Frame& frame, Token& token);
  [[noreturn, gnu::cold]] void identifierTooLong();
  void scanNumber(Frame& frame, Token& token);
  void scanCharacter(Frame& frame, Token& token);
  void scanString(Frame& frame, Token& token);
  bool scanDirective(Frame& frame, Token& token, bool atLineStart);
  void scanOperator(Frame& frame, Token& token);
  int escapeValue(const char*& at, const char* end);
  void endStatementHere(Frame& frame);

  Diagnostics& diagnostics_;
  StringPool& strings_;
  bool kanji_;
  std::array<Frame, kMaxExpansions + 1> frames_;
  int top_ = 0;
  Frame* current_ = &frames_[0];  // frames_[top_]
  int expansionsOnLine_ = 0;
  bool expansionRefused_ = false;
  bool inComment_ = false;
  bool lineStart_ = false;
  std::uint32_t line_ = 0;
  std::uint8_t depth_ = 0;
  std::uint64_t shortNameKey_ = 0;
  std::string stringBuffer_;
  // The entries of the one-character operators, by their character: most operators are one.
  std::array<const TokenTableEntry*, 256> singleOperators_{};
  // The operators that may be longer than one character, by their first two bytes: the
  // row is the first byte's place in kOperatorStarts, the column 0 for a second byte that
  // continues none of them, else its place in kOperatorSeconds plus one. Null where a third
  // byte decides.
  static constexpr std::string_view kOperatorStarts = "!+-<>=&^|";
  static constexpr std::string_view kOperatorSeconds = "=+->&|<";
  static constexpr std::size_t kPairColumns = kOperatorSeconds.size() + 1;
  std::array<std::uint8_t, 256> operatorStartIndex_{};
  std::array<std::uint8_t, 256> operatorSecondIndex_{};
  std::array<const TokenTableEntry*, kOperatorStarts.size() * kPairColumns> operatorPairs_{};
};

}  // namespace kz::clike
