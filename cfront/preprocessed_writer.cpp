#include "cfront/preprocessed_writer.h"

#include <algorithm>
#include <array>

namespace kz::cfront {
namespace {

// Two-character punctuators and comment openers, as first and second character.
constexpr auto kJoiningPairs = std::to_array<std::string_view>({
    "++", "--", "->", "<<", ">>", "<=", ">=", "==", "!=", "&&", "||", "*=",
    "/=", "%=", "+=", "-=", "&=", "^=", "|=", "##", "..", "/*", "//",
});

}  // namespace

bool wouldJoin(const Token& left, const Token& right) {
  if (left.text.empty() || right.text.empty()) return false;
  char a = left.text.back();
  char b = right.text.front();
  if (isIdentifierChar(a) && (isIdentifierChar(b) || b == '"' || b == '\'')) return true;
  if (left.kind == TokenKind::number &&
      (b == '.' || ((a == 'e' || a == 'E') && (b == '+' || b == '-'))))
    return true;
  if (a == '.' && isDigit(b)) return true;
  if (left.kind != TokenKind::punctuator || right.kind != TokenKind::punctuator) return false;
  char pair[2] = {a, b};
  std::string_view joined(pair, 2);
  return std::find(kJoiningPairs.begin(), kJoiningPairs.end(), joined) != kJoiningPairs.end() ||
         ((left.text == "<<" || left.text == ">>") && b == '=');
}

PreprocessedWriter::PreprocessedWriter(OutputFile& output, const Preprocessor& preprocessor,
                                       bool lineDirectives)
    : output_(output), preprocessor_(preprocessor), lineDirectives_(lineDirectives) {
  file_ = 0xFFFF;  // the first line always names its file
}

void PreprocessedWriter::copyAll(Preprocessor& preprocessor) {
  Token first;  // the primary file's first line record
  first.line = 1;
  first.file = 0;
  startLine(first);
  nextLine_ = 1;
  for (;;) {
    Token token = preprocessor.next();
    if (token.kind == TokenKind::endOfFile) break;
    put(token);
  }
  endLine();
}

void PreprocessedWriter::startLine(const Token& token) {
  if (lineDirectives_ && (token.file != file_ || token.line != nextLine_)) {
    output_.write("#line ");
    output_.write(std::to_string(token.line));
    if (token.file != file_) {
      output_.write(" \"");
      output_.write(preprocessor_.fileName(token.file));
      output_.put('"');
    }
    output_.put('\n');
  }
  file_ = token.file;
  nextLine_ = token.line + 1;
}

void PreprocessedWriter::endLine() {
  if (!lineOpen_) return;
  output_.put('\n');
  lineOpen_ = false;
}

void PreprocessedWriter::put(const Token& token) {
  switch (token.kind) {
    case TokenKind::newline:
      if (!lineOpen_) startLine(token);
      output_.put('\n');
      lineOpen_ = false;
      return;
    case TokenKind::directiveLine:
      endLine();
      startLine(token);
      output_.write(token.text);
      output_.put('\n');
      return;
    default:
      break;
  }
  if (!lineOpen_) {
    startLine(token);
    lineOpen_ = true;
    if (token.has(token_flag::kLeadingSpace)) {
      std::uint32_t indent =
          token.has(token_flag::kLineStart) && token.column > 1 ? token.column - 1 : 1;
      for (std::uint32_t i = 0; i < indent; ++i) output_.put(' ');
    }
  } else if (token.has(token_flag::kLeadingSpace) ||
             ((token.has(token_flag::kFromMacro) || previous_.has(token_flag::kFromMacro)) &&
              wouldJoin(previous_, token))) {
    output_.put(' ');
  }
  output_.write(token.text);
  if (token.kind == TokenKind::comment)
    nextLine_ += static_cast<std::uint32_t>(std::count(token.text.begin(), token.text.end(), '\n'));
  previous_ = token;
}

}  // namespace kz::cfront
