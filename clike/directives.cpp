// The directives of the preprocessor: macro definitions, conditional levels, include files,
// #asm blocks and #pragma lines.
#include <cstdio>

#include "clike/condition_expression.h"
#include "clike/fatal.h"
#include "clike/name_hash.h"
#include "clike/preprocessor.h"
#include "common/host_path.h"

namespace kz::clike {
namespace {

constexpr std::size_t kParameterArea = 384;
constexpr std::size_t kMaxNameLength = 510;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }
bool isNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool isNameChar(char c) { return isNameStart(c) || (c >= '0' && c <= '9'); }

// A cursor over a directive's text.
struct TextCursor {
  std::string_view text;
  std::size_t at = 0;

  bool atEnd() const { return at >= text.size(); }
  char peek() const { return atEnd() ? '\0' : text[at]; }
  void skipBlanks() {
    while (!atEnd() && isBlank(text[at])) ++at;
  }
  // A name, or "" when none starts here.
  std::string_view name() {
    if (!isNameStart(peek())) return {};
    std::size_t start = at;
    while (!atEnd() && isNameChar(text[at])) ++at;
    return text.substr(start, at - start);
  }
  std::string_view rest() const { return atEnd() ? std::string_view{} : text.substr(at); }
};

std::string_view trimmedView(std::string_view text) {
  std::size_t first = 0, last = text.size();
  while (first < last && isBlank(text[first])) ++first;
  while (last > first && isBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

// The identifiers of a function-like macro's text that name a parameter become "@@%04d"
// with the parameter's index; strings and character constants are left as they are.
std::string withParameterMarkers(std::string_view text,
                                 const std::vector<std::string>& parameters) {
  std::string result;
  for (std::size_t at = 0; at < text.size();) {
    char c = text[at];
    if (c == '"' || c == '\'') {
      std::size_t end = at + 1;
      while (end < text.size() && text[end] != c) end += text[end] == '\\' ? 2 : 1;
      end = std::min(end + 1, text.size());
      result.append(text.substr(at, end - at));
      at = end;
    } else if (isNameStart(c)) {
      std::size_t end = at;
      while (end < text.size() && isNameChar(text[end])) ++end;
      std::string_view word = text.substr(at, end - at);
      std::size_t index = 0;
      while (index < parameters.size() && parameters[index] != word) ++index;
      if (index < parameters.size()) {
        char marker[8];
        std::snprintf(marker, sizeof marker, "@@%04d", static_cast<int>(index));
        result += marker;
      } else {
        result.append(word);
      }
      at = end;
    } else if (c >= '0' && c <= '9') {
      // A number's letters (0x1F, 12L) are not names.
      std::size_t end = at;
      while (end < text.size() && isNameChar(text[end])) ++end;
      result.append(text.substr(at, end - at));
      at = end;
    } else {
      result += c;
      ++at;
    }
  }
  return result;
}

}  // namespace

void Preprocessor::applyCommandLineMacros(const std::vector<CommandLineMacro>& macros) {
  for (const CommandLineMacro& macro : macros) {
    if (macro.define) {
      defineMacro(macro.name, macro.text, false, {}, 0);
    } else {
      std::string_view name = significantPart(macro.name);
      macros_.undefine(name, hashName(name));
    }
  }
}

void Preprocessor::directive(const Token& token) {
  switch (token.value) {
    case 1:
      undefDirective();
      break;
    case 2:
      defineDirective();
      break;
    case 3:
      ifDirective();
      break;
    case 4:
      ifdefDirective(true);
      break;
    case 5:
      ifdefDirective(false);
      break;
    case 6:
      elseDirective();
      break;
    case 7:
      endifDirective();
      break;
    case 8:
      includeDirective();
      break;
    case 9:
      asmDirective();
      break;
    case 10:
      diagnostics_.reportError(Message::invalidEndasmDirective);
      lexer_.dropRestOfLine();
      break;
    case 11:
      pragmaDirective(token);
      break;
    default:
      lexer_.dropRestOfLine();
      break;
  }
}

// The directive's text to the end of the line, continued on the next line after a '\'
// directly before the line end, with comments made blanks and blanks at the end removed.
// A comment left open at the end runs on into the following lines.
std::string Preprocessor::continuedDirectiveText(std::string_view rest) {
  std::string joined(rest);
  while (!joined.empty() && joined.back() == '\\') {
    joined.pop_back();
    std::string_view line;
    if (reader_.nextLine(line) == SourceReader::LineResult::endOfFile) break;
    joined.append(line);
  }
  std::string text;
  for (std::size_t at = 0; at < joined.size();) {
    char c = joined[at];
    if (c == '"' || c == '\'') {
      std::size_t end = at + 1;
      while (end < joined.size() && joined[end] != c) end += joined[end] == '\\' ? 2 : 1;
      end = std::min(end + 1, joined.size());
      text.append(joined, at, end - at);
      at = end;
    } else if (c == '/' && at + 1 < joined.size() && joined[at + 1] == '*') {
      std::size_t close = joined.find("*/", at + 2);
      text += ' ';
      if (close == std::string::npos) {
        lexer_.setInComment(true);
        break;
      }
      at = close + 2;
    } else {
      text += c;
      ++at;
    }
  }
  while (!text.empty() && isBlank(text.back())) text.pop_back();
  return text;
}

// #define name text, #define name(p1, p2, ...) text
void Preprocessor::defineDirective() {
  std::string text = continuedDirectiveText(lexer_.takeRestOfLine());
  TextCursor cursor{text};
  cursor.skipBlanks();
  std::string_view name = cursor.name();
  if (name.empty()) {
    diagnostics_.reportError(Message::preprocessorSyntaxError);
    return;
  }
  if (name.size() > kMaxNameLength) diagnostics_.reportFatal(Message::stringTooBig);
  std::vector<std::string> parameters;
  bool functionLike = cursor.peek() == '(';
  if (functionLike) {
    ++cursor.at;
    std::size_t areaUsed = 0;
    cursor.skipBlanks();
    bool closed = cursor.peek() == ')';
    while (!closed) {
      cursor.skipBlanks();
      std::string_view parameter = cursor.name();
      if (parameter.empty() ||
          std::find(parameters.begin(), parameters.end(), parameter) != parameters.end()) {
        diagnostics_.reportError(Message::preprocessorSyntaxError);
        return;
      }
      if (static_cast<int>(parameters.size()) == MacroTable::kMaxParameters) {
        diagnostics_.reportError(Message::tooManyDummyParameters);
        return;
      }
      areaUsed += parameter.size() + 1;
      if (areaUsed > kParameterArea) diagnostics_.reportFatal(Message::macroParameterTableOverflow);
      parameters.emplace_back(parameter);
      cursor.skipBlanks();
      if (cursor.peek() == ',') {
        ++cursor.at;
        continue;
      }
      if (cursor.peek() != ')') {
        diagnostics_.reportError(Message::preprocessorSyntaxError);
        return;
      }
      closed = true;
    }
    ++cursor.at;
  }
  defineMacro(name, trimmedView(cursor.rest()), functionLike, parameters, reader_.depth());
}

bool Preprocessor::defineMacro(std::string_view name, std::string_view text, bool functionLike,
                               const std::vector<std::string>& parameters, int includeDepth) {
  std::string_view significant = significantPart(name);
  std::uint64_t hash = hashName(significant);
  MacroEntry* existing = macros_.find(significant, hash);
  if (existing && existing->kind != MacroKind::undefined) {
    diagnostics_.reportError(Message::macroRedefinition, significant);
    return false;
  }
  if (text == name) {
    diagnostics_.reportError(Message::preprocessorSyntaxError);
    return false;
  }
  std::string stored = functionLike ? withParameterMarkers(text, parameters) : std::string(text);
  MacroKind kind = functionLike     ? MacroKind::functionLike
                   : stored.empty() ? MacroKind::definedEmpty
                                    : MacroKind::objectLike;
  MacroEntry* entry = nullptr;
  if (!macros_.define(significant, hash, kind, static_cast<int>(parameters.size()), stored,
                      includeDepth, &entry)) {
    diagnostics_.reportFatal(Message::macroParameterTableOverflow);
  }
  bool numbered = setup_.debugInfo && setup_.debugNumbers && !functionLike &&
                  (stored.empty() || stored.front() != '"');
  if (numbered) {
    entry->debugNumber = (*setup_.debugNumbers)++;
    if (setup_.debugLine) {
      char number[16];
      std::snprintf(number, sizeof number, "%d", entry->debugNumber);
      std::string line = "\tsymbol_a \"" + std::string(significant) + "\",16," + number + ",1\n";
      setup_.debugLine(line);
      if (!stored.empty()) setup_.debugLine("\tsymbol_a \"" + stored + "\",16," + number + ",2\n");
    }
  }
  return true;
}

void Preprocessor::undefDirective() {
  std::string text = continuedDirectiveText(lexer_.takeRestOfLine());
  TextCursor cursor{text};
  cursor.skipBlanks();
  std::string_view name = significantPart(cursor.name());
  if (name.empty()) {
    diagnostics_.reportError(Message::preprocessorSyntaxError);
    return;
  }
  macros_.undefine(name, hashName(name));
}

void Preprocessor::openLevel(bool condition) {
  if (!conditionals_.open(condition)) {
    // The 17th level counts as false and has no state: it is skipped to its #endif.
    diagnostics_.reportError(Message::tooComplexCondition);
    skipping_ = true;
    skipNesting_ = 1;
    skipOverflowLevel_ = true;
    return;
  }
  if (!condition) {
    skipping_ = true;
    skipNesting_ = 0;
  }
}

void Preprocessor::ifdefDirective(bool wanted) {
  std::string text = continuedDirectiveText(lexer_.takeRestOfLine());
  TextCursor cursor{text};
  cursor.skipBlanks();
  std::string_view name = significantPart(cursor.name());
  bool condition = false;
  if (name.empty()) {
    diagnostics_.reportError(Message::preprocessorSyntaxError);
  } else {
    const MacroEntry* macro = macros_.find(name, hashName(name));
    condition = (macro && macro->kind != MacroKind::undefined) == wanted;
  }
  openLevel(condition);
}

void Preprocessor::ifDirective() {
  directiveMode_ = true;
  ConditionExpression expression(diagnostics_, [this] { return next(); });
  std::optional<std::int32_t> value = expression.evaluate();
  directiveMode_ = false;
  openLevel(value && *value != 0);
}

void Preprocessor::elseDirective() {
  lexer_.dropRestOfLine();
  switch (conditionals_.elseBranch()) {
    case ConditionalStack::ElseResult::noLevel:
      diagnostics_.reportError(Message::invalidElseDirective);
      break;
    case ConditionalStack::ElseResult::secondElse:
      diagnostics_.reportError(Message::preprocessorSyntaxError);
      break;
    case ConditionalStack::ElseResult::nowSkipping:
      skipping_ = true;
      skipNesting_ = 0;
      break;
    case ConditionalStack::ElseResult::nowCompiling:
      break;
  }
}

void Preprocessor::endifDirective() {
  lexer_.dropRestOfLine();
  if (conditionals_.close() == ConditionalStack::EndResult::noLevel) {
    diagnostics_.reportError(Message::invalidEndifDirective);
  }
}

// #include "name" or #include <name>
void Preprocessor::includeDirective() {
  std::string text = continuedDirectiveText(lexer_.takeRestOfLine());
  TextCursor cursor{text};
  cursor.skipBlanks();
  char open = cursor.peek();
  char close = open == '"' ? '"' : open == '<' ? '>' : '\0';
  if (close == '\0') diagnostics_.reportFatal(Message::illegalFileSpecification, trimmedView(text));
  std::size_t end = text.find(close, cursor.at + 1);
  if (end == std::string::npos || end == cursor.at + 1) {
    diagnostics_.reportFatal(Message::illegalFileSpecification, trimmedView(text));
  }
  std::string name = text.substr(cursor.at + 1, end - cursor.at - 1);
  if (reader_.depth() >= SourceReader::kMaxIncludeDepth) {
    diagnostics_.reportFatal(Message::includeNestTooDeep, name);
  }
  reader_.enterInclude(findInclude(name, open == '"'));
}

std::string Preprocessor::findInclude(std::string_view name, bool quoted) const {
  std::string given(name);
  bool asGiven =
      isAbsoluteName(name) || (hasDriveName(name) && name.size() > 2 && isSeparator(name[2]));
  if (asGiven) {
    if (!fileExists(given)) diagnostics_.reportFatal(Message::cantOpen, given);
    return given;
  }
  std::string tried;
  auto candidate = [&](const std::string& directory) {
    tried = directory + given;
    return fileExists(tried);
  };
  if (quoted && candidate(setup_.search.sourceDirectory)) return tried;
  for (const std::string& directory : setup_.search.directories) {
    if (candidate(directory)) return tried;
  }
  diagnostics_.reportFatal(Message::cantOpen, tried);
}

void Preprocessor::asmDirective() {
  lexer_.dropRestOfLine();
  inAsm_ = true;
  asmText_.clear();
}

// #pragma section ... and #pragma critical ...: the line goes to the parser as pragma, its
// tokens, endOfDirective. Any other #pragma is error 400.
void Preprocessor::pragmaDirective(const Token& token) {
  std::vector<Token> line{token};
  line.back().kind = TokenClass::pragma;
  directiveMode_ = true;
  for (Token next = this->next();; next = this->next()) {
    line.push_back(next);
    if (next.kind == TokenClass::endOfDirective || next.kind == TokenClass::endOfInput) break;
  }
  directiveMode_ = false;
  bool known =
      line.size() >= 2 && (line[1].kind == TokenClass::keywordSection ||
                           (line[1].kind == TokenClass::identifier && line[1].text == "critical"));
  if (!known) {
    diagnostics_.reportError(Message::preprocessorSyntaxError);
    return;
  }
  pending_.insert(pending_.end(), line.begin(), line.end());
  updateLexing();
}

}  // namespace kz::clike
