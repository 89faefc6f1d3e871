#include "clike/preprocessor.h"

#include <algorithm>
#include <cstring>

#include "clike/name_hash.h"

namespace kz::clike {
namespace {

static_assert(SourceReader::kLinePadding >= Lexer::kPadding,
              "the reader leaves the bytes behind a line that the lexer reads");

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }
bool isNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The word of a directive line ("#", blanks, word), or "" when the line holds none.
std::string_view directiveWordOf(std::string_view line) {
  std::size_t at = 0;
  while (at < line.size() && isBlank(line[at])) ++at;
  if (at == line.size() || line[at] != '#') return {};
  ++at;
  while (at < line.size() && isBlank(line[at])) ++at;
  std::size_t start = at;
  while (at < line.size() && isNameChar(line[at])) ++at;
  return line.substr(start, at - start);
}

constexpr std::size_t kMarkerLength = 6;  // "@@" and four digits

// The parameter index of a "@@%04d" marker at `at`, or -1.
int markerAt(std::string_view text, std::size_t at) {
  if (at + kMarkerLength > text.size() || text[at] != '@' || text[at + 1] != '@') return -1;
  int index = 0;
  for (std::size_t i = at + 2; i < at + kMarkerLength; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    index = index * 10 + (text[i] - '0');
  }
  return index;
}

}  // namespace

Preprocessor::Preprocessor(Diagnostics& diagnostics, SourceReader& reader, SymbolTable& symbols,
                           StringPool& strings, PreprocessorSetup setup)
    : diagnostics_(diagnostics),
      reader_(reader),
      symbols_(symbols),
      strings_(strings),
      setup_(std::move(setup)),
      lexer_(diagnostics, strings, setup_.kanji) {}

void Preprocessor::next(Token& token) {
  while (true) {
    if (!lexing_) [[unlikely]] {
      if (betweenLines(token)) return;
      continue;
    }
    if (!lexer_.scan(token)) [[unlikely]] {
      if (lineEnded(token)) return;
      continue;
    }
    // Fixed words and operators, most tokens, come after the names and directives.
    static_assert(TokenClass::identifier < TokenClass::ifDirective &&
                  TokenClass::directive < TokenClass::ifDirective);
    if (token.kind > TokenClass::ifDirective) [[likely]]
      return;
    if (token.kind == TokenClass::identifier) {
      if (nameToken(token)) return;
      continue;
    }
    if (token.kind != TokenClass::directive && token.kind != TokenClass::ifDirective) return;
    Token word = token;
    directive(word);
  }
}

// A held token, the next line or the end of the input. False when the lexer has a line.
bool Preprocessor::betweenLines(Token& token) {
  if (!pending_.empty()) {
    token = pending_.front();
    pending_.pop_front();
    updateLexing();
    return true;
  }
  if (lineState_ == LineState::ended) {
    token = Token{};
    token.line = static_cast<std::uint32_t>(reader_.lineNumber());
    return true;
  }
  lineState_ = advanceLine() ? LineState::inLine : LineState::ended;
  updateLexing();
  return false;
}

// The lexer's line is used up: the next one is read at once. True with endOfDirective for
// a directive read as tokens.
bool Preprocessor::lineEnded(Token& token) {
  if (directiveMode_) [[unlikely]]
    return directiveEnded(token);
  if (pending_.empty() && !inAsm_ && !skipping_) [[likely]] {
    std::string_view text;
    if (reader_.nextLine(text) == SourceReader::LineResult::line) [[likely]] {
      startLine(text);
      return false;
    }
    lineState_ = atEndOfFile() && advanceLine() ? LineState::inLine : LineState::ended;
  } else {
    lineState_ = LineState::needLine;
    if (pending_.empty()) lineState_ = advanceLine() ? LineState::inLine : LineState::ended;
  }
  updateLexing();
  return false;
}

bool Preprocessor::directiveEnded(Token& token) {
  token = Token{};
  token.kind = TokenClass::endOfDirective;
  token.line = static_cast<std::uint32_t>(reader_.lineNumber());
  token.depth = static_cast<std::uint8_t>(reader_.depth());
  return true;
}

// An identifier is a macro's name, expanded in its place (false), or a symbol name. A short
// name seen lately is found again by its bytes alone while no macro has changed since.
bool Preprocessor::nameToken(Token& token) {
  std::uint64_t key = lexer_.shortNameKey();
  ShortName& known = shortNames_[shortNameSlot(key)];
  SymbolEntry* symbol = known.symbol;
  if (key == 0 || known.key != key || known.macroChanges != macros_.changes()) {
    std::string_view name = significantPart(token.text);
    std::uint64_t hash = hashName(name);
    MacroEntry* macro = macros_.find(name, hash);
    bool macroName = macro && macro->kind != MacroKind::undefined;
    if (macroName && expandMacro(*macro)) return false;
    symbol = &symbols_.intern(name, hash, token.line, token.depth);
    // A function-like macro's name without arguments stays a name only where it stands.
    if (key != 0 && !macroName) known = {key, symbol, macros_.changes()};
  }
  if (setup_.reference) setup_.reference(*symbol, token.line, token.depth);
  token.symbol = symbol;
  token.text = symbol->name;
  return true;
}

SymbolEntry& Preprocessor::intern(std::string_view name, std::uint32_t line, std::uint8_t depth) {
  std::string_view significant = significantPart(name);
  return symbols_.intern(significant, hashName(significant), line, depth);
}

// The latest reading of the line: an include file may have been read twice lately.
long Preprocessor::lineSerial(std::uint32_t line, std::uint8_t depth) const {
  // Nearly always the line just read, which is also the latest reading of it.
  const RecentLine& last =
      recentLines_[(recentNext_ + recentLines_.size() - 1) % recentLines_.size()];
  if (last.line == line && last.depth == depth && last.serial != 0) return last.serial;
  long serial = 0;
  for (const RecentLine& recent : recentLines_) {
    if (recent.line == line && recent.depth == depth) serial = std::max(serial, recent.serial);
  }
  return serial;
}

std::string_view Preprocessor::lineText(long serial) const {
  auto recent = std::ranges::find(recentLines_, serial, &RecentLine::serial);
  return recent == recentLines_.end() ? std::string_view() : recent->text;
}

std::string_view Preprocessor::takeLineText(long serial) {
  auto recent = std::ranges::find(recentLines_, serial, &RecentLine::serial);
  if (recent == recentLines_.end() || recent->taken) return {};
  recent->taken = true;
  return recent->text;
}

// Reads lines until one is for the lexer; skipped lines and #asm text are dealt with here.
// Returns false at the end of the main source.
bool Preprocessor::advanceLine() {
  while (true) {
    std::string_view text;
    if (reader_.nextLine(text) == SourceReader::LineResult::endOfFile) {
      if (!atEndOfFile()) return false;
      continue;
    }
    if (handleLine(text)) return true;
  }
}

// A line just read: true when it goes to the lexer.
bool Preprocessor::handleLine(std::string_view text) {
  if (inAsm_) {
    if (!handleAsmLine(text)) return false;
    text = {};
  } else if (skipping_) {
    handleSkippedLine(text);
    return false;
  }
  startLine(text);
  return true;
}

// The lexer starts on the line, which is kept among the recent ones.
void Preprocessor::startLine(std::string_view text) {
  auto line = static_cast<std::uint32_t>(reader_.lineNumber());
  auto depth = static_cast<std::uint8_t>(reader_.depth());
  RecentLine& recent = recentLines_[recentNext_++ % recentLines_.size()];
  recent.line = line;
  recent.depth = depth;
  recent.serial = reader_.totalLines();
  recent.taken = false;
  recent.text = text;
  lexer_.startLine(text, line, depth);
}

// The end of a file: a comment or #asm block may not run past it. Returns false at the
// end of the main source.
bool Preprocessor::atEndOfFile() {
  if (lexer_.inComment()) diagnostics_.reportFatal(Message::prematureEof);
  if (inAsm_) {
    diagnostics_.reportError(Message::endasmMissing);
    finishAsmBlock();
  }
  if (reader_.depth() == 0) return false;
  keepRecentLines(static_cast<std::uint8_t>(reader_.depth()));
  reader_.leaveInclude();
  return true;
}

// The recent lines of a file about to be closed are copied, as its text goes with it.
void Preprocessor::keepRecentLines(std::uint8_t depth) {
  for (RecentLine& recent : recentLines_) {
    if (recent.depth != depth || recent.text.data() == recent.kept.data()) continue;
    recent.kept.assign(recent.text);
    recent.text = recent.kept;
  }
}

// Inside a skipped branch only the conditional directives count.
void Preprocessor::handleSkippedLine(std::string_view text) {
  std::string_view word = directiveWordOf(text);
  if (word.empty()) return;
  if (word == "if" || word == "ifdef" || word == "ifndef") {
    ++skipNesting_;
  } else if (word == "else") {
    if (skipNesting_ > 0) return;
    ConditionalStack::ElseResult result = conditionals_.elseBranch();
    if (result == ConditionalStack::ElseResult::secondElse) {
      diagnostics_.reportError(Message::preprocessorSyntaxError);
    } else if (result == ConditionalStack::ElseResult::nowCompiling) {
      skipping_ = false;
    }
  } else if (word == "endif") {
    if (skipNesting_ > 0) {
      if (--skipNesting_ == 0 && skipOverflowLevel_) {
        skipOverflowLevel_ = false;
        skipping_ = false;
      }
      return;
    }
    conditionals_.close();
    skipping_ = false;
  }
}

// Returns true when the line ends the block.
bool Preprocessor::handleAsmLine(std::string_view text) {
  if (directiveWordOf(text) == "endasm") {
    finishAsmBlock();
    return true;
  }
  asmText_.append(text);
  asmText_ += '\n';
  return false;
}

void Preprocessor::finishAsmBlock() {
  Token block;
  block.kind = TokenClass::asmBlock;
  block.text = strings_.store(asmText_);
  block.line = static_cast<std::uint32_t>(reader_.lineNumber());
  block.depth = static_cast<std::uint8_t>(reader_.depth());
  pending_.push_back(block);
  updateLexing();
  asmText_.clear();
  inAsm_ = false;
}

// Puts the macro's text in place of its name (and argument list). Returns false when the
// name stays a plain symbol name.
// After a refused expansion (error 400, once) the line's other names stay plain.
bool Preprocessor::expandMacro(MacroEntry& macro) {
  if (lexer_.expansionRefused()) return false;
  if (macro.kind == MacroKind::definedEmpty) return true;
  if (macro.kind == MacroKind::objectLike) {
    if (lexer_.pushExpansion(macro.text)) return true;
    diagnostics_.reportError(Message::preprocessorSyntaxError);
    return false;
  }
  if (!lexer_.openParenFollows()) return false;
  if (lexer_.expansionDepth() == Lexer::kMaxExpansions) {
    lexer_.refuseExpansions();
    diagnostics_.reportError(Message::preprocessorSyntaxError);
    return false;
  }
  if (!lexer_.collectArguments(arguments_)) {
    diagnostics_.reportError(Message::preprocessorSyntaxError);
    return true;
  }
  if (macro.parameterCount == 0 && arguments_.size() == 1 && arguments_[0].empty())
    arguments_.clear();
  if (arguments_.size() != macro.parameterCount)
    diagnostics_.reportError(Message::parameterUnmatch);
  std::string_view text = macro.text;
  expansion_.clear();
  for (std::size_t at = 0; at < text.size();) {
    int index = markerAt(text, at);
    if (index >= 0 && index < macro.parameterCount) {
      if (static_cast<std::size_t>(index) < arguments_.size()) {
        expansion_ += arguments_[static_cast<std::size_t>(index)];
      }
      at += kMarkerLength;
    } else {
      expansion_ += text[at++];
    }
  }
  if (!lexer_.pushExpansion(expansion_)) diagnostics_.reportError(Message::preprocessorSyntaxError);
  return true;
}

}  // namespace kz::clike
