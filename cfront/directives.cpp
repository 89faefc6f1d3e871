// The directives: #define, #undef, #include, the conditional groups, #line, #error and
// #pragma, executed where they stand in the source.
#include <algorithm>
#include <array>

#include "cfront/condition_expression.h"
#include "cfront/preprocessor.h"
#include "cfront/source_text.h"
#include "common/host_path.h"

namespace kz::cfront {
namespace {

enum class DirectiveId : std::uint8_t {
  define,
  include,
  ifdef,
  ifndef,
  endif,
  ifExpression,
  elseGroup,
  elif,
  pragma,
  undef,
  line,
  error,
};

struct DirectiveRow {
  std::string_view name;
  DirectiveId id;
};

constexpr auto kDirectives = std::to_array<DirectiveRow>({
    {"define", DirectiveId::define},
    {"include", DirectiveId::include},
    {"ifdef", DirectiveId::ifdef},
    {"ifndef", DirectiveId::ifndef},
    {"endif", DirectiveId::endif},
    {"if", DirectiveId::ifExpression},
    {"else", DirectiveId::elseGroup},
    {"elif", DirectiveId::elif},
    {"pragma", DirectiveId::pragma},
    {"undef", DirectiveId::undef},
    {"line", DirectiveId::line},
    {"error", DirectiveId::error},
});

const DirectiveRow* findDirective(std::string_view name) {
  for (const DirectiveRow& row : kDirectives) {
    if (row.name == name) return &row;
  }
  return nullptr;
}

bool isConditional(DirectiveId id) {
  return id == DirectiveId::ifdef || id == DirectiveId::ifndef || id == DirectiveId::endif ||
         id == DirectiveId::ifExpression || id == DirectiveId::elseGroup || id == DirectiveId::elif;
}

// Bits of a conditional level.
constexpr std::uint8_t kElseMayFollow = 0x01;
constexpr std::uint8_t kElseSeen = 0x02;
constexpr std::uint8_t kBranchTaken = 0x04;
constexpr std::uint8_t kOuterActive = 0x08;

bool isPlainString(const Token& token) {
  return token.kind == TokenKind::string && token.text.size() >= 2 && token.text.front() == '"' &&
         token.text.back() == '"';
}

}  // namespace

// The buffer of the previous directive is reused; one met while this one is executed simply
// starts a vector of its own.
std::vector<Token> Preprocessor::restOfLine() {
  Lexer& lexer = levels_.back()->lexer;
  lexer.setReporting(false);
  lexer.setKeepComments(false);
  std::vector<Token> line = std::move(lineBuffer_);
  line.clear();
  for (Token token = lexer.next();
       token.kind != TokenKind::newline && token.kind != TokenKind::endOfFile; token = lexer.next())
    line.push_back(token);
  lexer.setReporting(true);
  lexer.setKeepComments(options_.keepComments());
  return line;
}

void Preprocessor::directive(const Token& hash) {
  directiveLine_ = hash.line;
  std::vector<Token> line = restOfLine();
  if (!line.empty()) {
    const DirectiveRow* row =
        line[0].kind == TokenKind::identifier ? findDirective(line[0].text) : nullptr;
    std::span<const Token> operand = std::span<const Token>(line).subspan(1);
    if (!row) {
      if (active_) diagnostics_.report(Message::unknownDirective);
    } else if (active_ || isConditional(row->id)) {
      switch (row->id) {
        case DirectiveId::define:
          doDefine(operand);
          break;
        case DirectiveId::include:
          doInclude(line[0], operand);
          break;
        case DirectiveId::ifdef:
          doIf(operand, false, true);
          break;
        case DirectiveId::ifndef:
          doIf(operand, false, false);
          break;
        case DirectiveId::endif:
          doEndif(operand);
          break;
        case DirectiveId::ifExpression:
          doIf(operand, true, true);
          break;
        case DirectiveId::elseGroup:
          doElse(operand);
          break;
        case DirectiveId::elif:
          doElif(operand);
          break;
        case DirectiveId::pragma:
          doPragma(line[0], operand);
          break;
        case DirectiveId::undef:
          doUndef(operand);
          break;
        case DirectiveId::line:
          doLine(operand);
          break;
        case DirectiveId::error:
          doError(operand);
          break;
      }
    }
  }
  directiveLine_.reset();
  lineBuffer_ = std::move(line);
}

void Preprocessor::skipGroup() {
  while (!active_) {
    Lexer& lexer = levels_.back()->lexer;
    if (!lexer.skipToDirective()) return;
    Token hash;
    hash.line = lexer.line();
    hash.file = levels_.back()->file;
    directive(hash);
  }
}

void Preprocessor::checkEndOfDirective(std::span<const Token> rest) {
  if (!rest.empty()) diagnostics_.report(Message::extraAfterDirective);
}

void Preprocessor::doDefine(std::span<const Token> line) {
  std::unique_ptr<Macro> macro = parseDefinition(line);
  if (!macro) return;
  const Macro* before = macros_.find(macro->name);
  addDefinition(std::move(macro));
  const Macro* now = macros_.find(line[0].text);
  if (now && now != before) announceDefinition(*now);
}

// name, name(parameters) body, name body.
std::unique_ptr<Macro> Preprocessor::parseDefinition(std::span<const Token> line) {
  if (line.empty() || line[0].kind != TokenKind::identifier) {
    diagnostics_.report(line.empty() ? Message::illegalMacroName : Message::illegalMacroName);
    return nullptr;
  }
  auto macro = std::make_unique<Macro>();
  macro->name = line[0].text;
  if (macro->name.size() > kMaxNameLength)
    diagnostics_.report(Message::identifierTruncated, {macro->name});
  std::size_t at = 1;
  if (at < line.size() && !line[at].has(token_flag::kLeadingSpace)) {
    if (!line[at].is("(")) {
      diagnostics_.report(Message::illegalMacroName);
      return nullptr;
    }
    if (!parseParameters(line, at, *macro)) return nullptr;
  }
  if (!parseBody(line.subspan(at), *macro)) return nullptr;
  return macro;
}

// ( ) or ( name , name ... ); at is at the '('.
bool Preprocessor::parseParameters(std::span<const Token> line, std::size_t& at, Macro& macro) {
  ++at;
  macro.kind = 0;
  if (at < line.size() && line[at].is(")")) {
    ++at;
    return true;
  }
  for (;;) {
    if (at >= line.size() || line[at].kind != TokenKind::identifier) {
      diagnostics_.report(Message::illegalMacroParameter,
                          {at < line.size() ? line[at].text : std::string_view{}});
      return false;
    }
    std::string name(line[at].text);
    if (std::find(macro.parameters.begin(), macro.parameters.end(), name) !=
        macro.parameters.end()) {
      diagnostics_.report(Message::illegalMacroParameter, {name});
      return false;
    }
    if (macro.parameters.size() == macro_kind::kMaxParameters) {
      diagnostics_.report(Message::tooManyParameters);
      return false;
    }
    macro.parameters.push_back(std::move(name));
    ++at;
    if (at < line.size() && line[at].is(",")) {
      ++at;
      continue;
    }
    if (at < line.size() && line[at].is(")")) {
      ++at;
      macro.kind = static_cast<std::uint8_t>(macro.parameters.size());
      return true;
    }
    diagnostics_.report(Message::illegalMacroParameter,
                        {at < line.size() ? line[at].text : std::string_view{}});
    return false;
  }
}

bool Preprocessor::parseBody(std::span<const Token> body, Macro& macro) {
  std::string text;
  for (std::size_t at = 0; at < body.size(); ++at) {
    BodyItem item{body[at]};
    item.token.flags &= static_cast<std::uint8_t>(~token_flag::kLineStart);
    if (at == 0) item.token.flags &= static_cast<std::uint8_t>(~token_flag::kLeadingSpace);
    if (macro.functionLike() && item.token.kind == TokenKind::identifier) {
      auto found = std::find(macro.parameters.begin(), macro.parameters.end(), item.token.text);
      if (found != macro.parameters.end())
        item.parameter = static_cast<std::int16_t>(found - macro.parameters.begin());
    }
    if (at > 0 && item.token.has(token_flag::kLeadingSpace)) text += ' ';
    text += item.token.text;
    macro.body.push_back(item);
  }
  if (text.size() > kMaxBodyLength) diagnostics_.report(Message::stringTooLarge);
  if (!body.empty() && body.front().is("##")) diagnostics_.report(Message::pasteAtStart);
  if (body.size() > 1 && body.back().is("##")) diagnostics_.report(Message::pasteAtEnd);
  if (macro.functionLike()) {
    for (std::size_t at = 0; at < macro.body.size(); ++at) {
      if (macro.body[at].parameter < 0 && macro.body[at].token.is("#") &&
          (at + 1 >= macro.body.size() || macro.body[at + 1].parameter < 0))
        diagnostics_.report(Message::stringizeNeedsParameter);
    }
  }
  macro.bodyText = std::move(text);
  return true;
}

void Preprocessor::addDefinition(std::unique_ptr<Macro> macro) {
  if (const Macro* existing = macros_.find(macro->name)) {
    if (existing->predefined() || !existing->sameDefinition(*macro))
      diagnostics_.report(Message::macroRedefined, {macro->name});
    return;
  }
  macros_.add(std::move(macro));
}

// With debugFlags bit 0x04 a new object-like macro is also written out.
void Preprocessor::announceDefinition(const Macro& macro) {
  if (!(options_.debugFlags & 0x04) || macro.kind != macro_kind::kObject ||
      macro.bodyText.empty() || macro.bodyText.find('"') != std::string::npos)
    return;
  std::string name = macro.name.substr(0, kMaxNameLength);
  if (options_.preprocessOnly()) {
    Token line;
    line.kind = TokenKind::directiveLine;
    line.line = *directiveLine_;
    line.file = levels_.back()->file;
    line.text = keep("#pragma define " + name + ' ' + macro.bodyText);
    push(line);
  } else if (records_) {
    records_->macroDefined(name, macro.bodyText);
  }
}

void Preprocessor::doUndef(std::span<const Token> line) {
  if (line.empty() || line[0].kind != TokenKind::identifier) {
    diagnostics_.report(Message::missingMacroName);
    return;
  }
  macros_.remove(line[0].text);
  checkEndOfDirective(line.subspan(1));
}

void Preprocessor::doInclude(const Token& keyword, std::span<const Token> line) {
  (void)keyword;
  std::vector<Token> operand;
  if (!line.empty() && line[0].is("<")) {
    operand.assign(line.begin(), line.end());
  } else {
    operand = expandList(line);
  }
  std::string name;
  bool quoted = false;
  std::size_t used = 1;
  if (!operand.empty() && isPlainString(operand[0])) {
    name = operand[0].text.substr(1, operand[0].text.size() - 2);
    quoted = true;
  } else if (!operand.empty() && operand[0].is("<")) {
    auto closing = std::find_if(operand.begin() + 1, operand.end(),
                                [](const Token& token) { return token.is(">"); });
    if (closing == operand.end()) {
      diagnostics_.report(Message::illegalIncludeName);
      return;
    }
    name = spellingOf(std::span<const Token>(operand.begin() + 1, closing));
    used = static_cast<std::size_t>(closing - operand.begin()) + 1;
  }
  if (name.empty()) {
    diagnostics_.report(Message::illegalIncludeName);
    return;
  }
  checkEndOfDirective(std::span<const Token>(operand).subspan(used));
  if (includeDepth() >= kMaxIncludeDepth) {
    diagnostics_.report(Message::includeNestTooDeep);
    return;
  }
  std::vector<std::string> candidates;
  if (isAbsoluteName(name) || name.find(':') != std::string::npos) {
    candidates.push_back(name);
  } else {
    for (std::size_t slot = quoted ? 0 : 1; slot < includeDirs_.size(); ++slot)
      candidates.push_back(includeDirs_[slot] + name);
  }
  for (const std::string& path : candidates) {
    if (fileTexts_.count(path)) {
      enterFile(path, {});
      return;
    }
    SourceBuffer text;
    if (readSourceFile(path, text) == ReadResult::ok) {
      enterFile(path, std::move(text));
      return;
    }
  }
  diagnostics_.report(Message::cannotOpenInclude, {name});
}

bool Preprocessor::evaluateCondition(std::span<const Token> line) {
  inCondition_ = true;
  conditionFailed_ = false;
  std::vector<Token> expanded = expandList(line);
  inCondition_ = false;
  if (conditionFailed_) return false;
  return ConditionEvaluator(expanded, diagnostics_, options_).evaluate();
}

void Preprocessor::doIf(std::span<const Token> line, bool expression, bool wanted) {
  if (conditionals_.size() >= kMaxConditionalDepth)
    diagnostics_.report(Message::conditionalNestTooDeep);
  if (!active_) {
    conditionals_.push_back(kElseMayFollow);
    return;
  }
  bool taken = false;
  if (expression) {
    taken = evaluateCondition(line);
  } else if (line.empty() || line[0].kind != TokenKind::identifier) {
    diagnostics_.report(Message::missingMacroName);
  } else {
    taken = (macros_.find(line[0].text) != nullptr) == wanted;
    checkEndOfDirective(line.subspan(1));
  }
  std::uint8_t flags = kElseMayFollow | kOuterActive;
  if (taken) {
    flags |= kBranchTaken;
  } else {
    active_ = false;
  }
  conditionals_.push_back(flags);
}

void Preprocessor::doElif(std::span<const Token> line) {
  if (conditionals_.empty()) {
    diagnostics_.report(Message::illegalElif);
    return;
  }
  std::uint8_t& flags = conditionals_.back();
  if (flags & kElseSeen) {
    diagnostics_.report(Message::elifAfterElse);
    return;
  }
  if (active_) {
    active_ = false;
  } else if ((flags & kOuterActive) && !(flags & kBranchTaken) && evaluateCondition(line)) {
    active_ = true;
    conditionals_.back() |= kBranchTaken;
  }
}

void Preprocessor::doElse(std::span<const Token> line) {
  if (conditionals_.empty()) {
    diagnostics_.report(Message::illegalElse);
    return;
  }
  std::uint8_t& flags = conditionals_.back();
  if (flags & kElseSeen) {
    diagnostics_.report(Message::tooManyElse);
    return;
  }
  flags |= kElseSeen;
  if (flags & kOuterActive) checkEndOfDirective(line);
  if (active_) {
    active_ = false;
  } else if ((flags & kOuterActive) && !(flags & kBranchTaken)) {
    active_ = true;
    flags |= kBranchTaken;
  }
}

void Preprocessor::doEndif(std::span<const Token> line) {
  if (conditionals_.empty()) {
    diagnostics_.report(Message::unexpectedEndif);
    return;
  }
  active_ = (conditionals_.back() & kOuterActive) != 0;
  conditionals_.pop_back();
  if (active_) checkEndOfDirective(line);
}

// number ["file"]
void Preprocessor::doLine(std::span<const Token> line) {
  std::vector<Token> operand;
  if (!line.empty() && line[0].kind == TokenKind::number && isDigit(line[0].text[0])) {
    operand.assign(line.begin(), line.end());
  } else {
    operand = expandList(line);
  }
  long number = 0;
  bool valid = !operand.empty() && operand[0].kind == TokenKind::number;
  for (char c : valid ? operand[0].text : std::string_view{}) {
    if (!isDigit(c)) {
      valid = false;
      break;
    }
    if (number <= 65535) number = number * 10 + (c - '0');
  }
  if (!valid || number < 1 || number > 65535) {
    diagnostics_.report(Message::illegalLineNumber);
    return;
  }
  std::optional<std::string> name;
  if (operand.size() > 1) {
    if (!isPlainString(operand[1])) {
      diagnostics_.report(Message::illegalLineFileName);
      return;
    }
    name = std::string(operand[1].text.substr(1, operand[1].text.size() - 2));
    checkEndOfDirective(std::span<const Token>(operand).subspan(2));
  }
  Level& level = *levels_.back();
  level.lexer.setLine(static_cast<std::uint32_t>(number));
  if (name && *name != fileNames_[level.file]) {
    level.file = fileIndexOf(*name);
    level.lexer.setFile(level.file);
  }
  if (records_ && name) records_->sourceFileEntered(fileNames_[level.file], level.lexer.line());
}

void Preprocessor::doError(std::span<const Token> line) {
  std::vector<Token> expanded = expandList(line);
  diagnostics_.report(Message::errorDirective, {spellingOf(expanded)});
}

void Preprocessor::doPragma(const Token& keyword, std::span<const Token> line) {
  std::vector<Token> expanded = expandList(line);
  if (options_.preprocessOnly()) {
    Token text = keyword;
    text.kind = TokenKind::directiveLine;
    text.line = *directiveLine_;
    std::string spelling = spellingOf(expanded);
    text.text = keep(spelling.empty() ? std::string("#pragma") : "#pragma " + spelling);
    push(text);
    return;
  }
  if (expanded.empty()) {
    diagnostics_.report(Message::pragmaKeywordExpected, {"newline"});
    return;
  }
  std::optional<PragmaId> id =
      expanded[0].kind == TokenKind::identifier ? findPragma(expanded[0].text) : std::nullopt;
  if (!id) {
    diagnostics_.report(Message::unknownPragma);
    return;
  }
  if (pragmas_)
    pragmas_->handlePragma(*id, expanded[0], std::span<const Token>(expanded).subspan(1));
}

}  // namespace kz::cfront
