// Macro replacement: object-like and function-like calls, argument collection, # and ##,
// and the hide sets that keep a macro from replacing itself during rescanning.
#include <algorithm>
#include <ctime>
#include <optional>

#include "cfront/preprocessor.h"

namespace kz::cfront {
namespace {

using token_flag::kFromMacro;
using token_flag::kLeadingSpace;
using token_flag::kLineStart;

bool isPasteOperator(const BodyItem& item) { return item.parameter < 0 && item.token.is("##"); }

bool isStringizeAt(const Macro& macro, std::size_t at) {
  return macro.functionLike() && at + 1 < macro.body.size() && macro.body[at].parameter < 0 &&
         macro.body[at].token.is("#") && macro.body[at + 1].parameter >= 0;
}

void quoteLiteralInto(std::string& text, std::string_view literal) {
  for (char c : literal) {
    if (c == '"' || c == '\\') text += '\\';
    text += c;
  }
}

}  // namespace

bool Preprocessor::expandMacro(const Macro& macro, const Token& name) {
  std::uint32_t hideSet = 0;
  if (++replacements_ > kMaxReplacementsPerSourceToken) diagnostics_.report(Message::outOfSpace);
  switch (macro.kind) {
    case macro_kind::kDefined:
      if (!inCondition_) return false;
      push(definedOperator(name));
      return true;
    case macro_kind::kLine:
    case macro_kind::kFile:
    case macro_kind::kDate:
    case macro_kind::kTime:
      push(specialToken(macro, name));
      return true;
    default:
      break;
  }
  CallLevel level(*this);
  CallBuffers& buffers = level.buffers;
  if (macro.functionLike()) {
    std::vector<Token> skipped;
    Token after = raw();
    while (after.kind == TokenKind::newline || after.kind == TokenKind::comment ||
           after.kind == TokenKind::directiveLine) {
      skipped.push_back(after);
      after = raw();
    }
    if (!after.is("(")) {
      push(after);
      pushReversed(skipped);
      return false;
    }
    Token closing;
    if (!readArguments(macro, name, buffers.arguments, closing)) return true;
    hideSet = hideSets_.with(hideSets_.intersect(name.hideSet, closing.hideSet), macro.id);
  } else {
    buffers.arguments.tokens.clear();
    buffers.arguments.ends.clear();
    hideSet = hideSets_.with(name.hideSet, macro.id);
  }
  substitute(macro, buffers);
  std::vector<Token>& result = buffers.result;
  for (Token& token : result) {
    token.hideSet = hideSets_.unite(token.hideSet, hideSet);
    token.line = name.line;
    token.column = name.column;
    token.file = name.file;
    token.flags = static_cast<std::uint8_t>((token.flags & ~kLineStart) | kFromMacro);
  }
  if (!result.empty()) {
    result.front().flags = static_cast<std::uint8_t>((result.front().flags & ~kLeadingSpace) |
                                                     (name.flags & (kLeadingSpace | kLineStart)));
  }
  pushReversed(result);
  return true;
}

Token Preprocessor::specialToken(const Macro& macro, const Token& name) {
  Token token = name;
  token.flags &= static_cast<std::uint8_t>(~token_flag::kNoExpand);
  token.flags |= kFromMacro;
  switch (macro.kind) {
    case macro_kind::kLine:
      token.kind = TokenKind::number;
      token.text = keep(std::to_string(name.line));
      break;
    case macro_kind::kFile: {
      std::string text = "\"";
      for (char c : fileNames_[name.file]) {
        if (c == '\\') text += '\\';
        text += c;
      }
      token.kind = TokenKind::string;
      token.text = keep(text + '"');
      break;
    }
    default:
      token.kind = TokenKind::string;
      token.text = dateAndTime(macro.kind == macro_kind::kDate);
      break;
  }
  return token;
}

// Taken once, at the first use of either.
const std::string& Preprocessor::dateAndTime(bool date) {
  if (dateText_.empty()) {
    std::time_t now =
        sourceDateEpoch_ ? static_cast<std::time_t>(*sourceDateEpoch_) : std::time(nullptr);
    std::tm parts{};
    if (sourceDateEpoch_) {
      gmtime_r(&now, &parts);
    } else {
      localtime_r(&now, &parts);
    }
    char text[64];
    std::strftime(text, sizeof text, "\"%b %d %Y\"", &parts);
    dateText_ = text;
    std::strftime(text, sizeof text, "\"%H:%M:%S\"", &parts);
    timeText_ = text;
  }
  return date ? dateText_ : timeText_;
}

// defined name, defined ( name ): 1 or 0.
Token Preprocessor::definedOperator(const Token& name) {
  Token result = name;
  result.kind = TokenKind::number;
  result.text = "0";
  Token operand = raw();
  bool parenthesised = operand.is("(");
  if (parenthesised) operand = raw();
  if (operand.kind != TokenKind::identifier) {
    diagnostics_.report(Message::illegalDefinedOperand, {operand.text});
    conditionFailed_ = true;
    if (operand.kind == TokenKind::endOfList) push(operand);
    return result;
  }
  if (macros_.find(operand.text)) result.text = "1";
  if (parenthesised) {
    Token closing = raw();
    if (!closing.is(")")) {
      diagnostics_.report(Message::closingParenthesisMissing, {"defined"});
      conditionFailed_ = true;
      push(closing);
    }
  }
  return result;
}

// Collects the arguments of a call whose '(' has been read, up to the matching ')'.
bool Preprocessor::readArguments(const Macro& macro, const Token& name, Arguments& arguments,
                                 Token& closing) {
  std::vector<Token>& tokens = arguments.tokens;
  std::vector<std::uint32_t>& ends = arguments.ends;
  tokens.clear();
  ends.clear();
  bool anyEmpty = false;
  std::size_t begin = 0;
  auto endArgument = [&] {
    anyEmpty = anyEmpty || tokens.size() == begin;
    begin = tokens.size();
    ends.push_back(static_cast<std::uint32_t>(begin));
  };
  int depth = 0;
  std::size_t bytes = 0;
  bool space = false;
  for (;;) {
    Token token = raw();
    if (token.kind == TokenKind::endOfFile || token.kind == TokenKind::endOfList) {
      diagnostics_.report(Message::eofInMacro, {macro.name});
      push(token);
      return false;
    }
    if (token.kind == TokenKind::newline || token.kind == TokenKind::comment ||
        token.kind == TokenKind::directiveLine) {
      space = true;
      continue;
    }
    if (space) token.flags |= kLeadingSpace;
    space = false;
    bytes += token.text.size() + 1;
    if (bytes > kArgumentBufferSize) diagnostics_.report(Message::stringTooLarge);
    if (token.is("(")) {
      ++depth;
    } else if (token.is(")")) {
      if (depth == 0) {
        closing = token;
        break;
      }
      --depth;
    } else if (token.is(",") && depth == 0) {
      endArgument();
      continue;
    }
    tokens.push_back(token);
  }
  endArgument();
  std::size_t wanted = macro.kind;
  if (wanted == 0 && ends.size() == 1 && tokens.empty()) {
    ends.clear();
    return true;
  }
  if (ends.size() != wanted || anyEmpty)
    diagnostics_.report(Message::macroArgumentMismatch, {name.text});
  ends.resize(wanted, static_cast<std::uint32_t>(tokens.size()));
  return true;
}

// The body with the arguments in place; into buffers.result.
void Preprocessor::substitute(const Macro& macro, CallBuffers& buffers) {
  const Arguments& arguments = buffers.arguments;
  buffers.expanded.clear();
  buffers.expandedBegin.assign(arguments.count(), kNotExpanded);
  buffers.expandedEnd.assign(arguments.count(), kNotExpanded);
  std::vector<Token>& result = buffers.result;
  result.clear();
  bool marked = false;
  std::size_t counted = 0;  // checked against the limit as the result grows, not after
  const std::vector<BodyItem>& body = macro.body;
  for (std::size_t at = 0; at < body.size(); ++at) {
    countMade(result.size() - counted);
    counted = result.size();
    const BodyItem& item = body[at];
    if (isStringizeAt(macro, at)) {
      result.push_back(stringize(arguments[body[at + 1].parameter], item.token));
      ++at;
      continue;
    }
    if (isPasteOperator(item)) {
      Token single;
      std::span<const Token> right;
      if (isStringizeAt(macro, at + 1)) {
        single = stringize(arguments[body[at + 2].parameter], body[at + 1].token);
        right = std::span<const Token>(&single, 1);
        at += 2;
      } else if (at + 1 < body.size()) {
        const BodyItem& next = body[++at];
        right = next.parameter >= 0 ? arguments[next.parameter]
                                    : std::span<const Token>(&next.token, 1);
      }
      paste(result, right);
      continue;
    }
    if (item.parameter < 0) {
      result.push_back(item.token);
      continue;
    }
    bool beforePaste = at + 1 < body.size() && isPasteOperator(body[at + 1]);
    std::span<const Token> replacement =
        beforePaste ? arguments[item.parameter] : expandedArgument(buffers, item.parameter);
    if (replacement.empty()) {
      if (beforePaste) {
        Token mark = item.token;
        mark.kind = TokenKind::placemarker;
        result.push_back(mark);
        marked = true;
      }
      continue;
    }
    std::size_t first = result.size();
    result.insert(result.end(), replacement.begin(), replacement.end());
    result[first].flags = static_cast<std::uint8_t>((result[first].flags & ~kLeadingSpace) |
                                                    (item.token.flags & kLeadingSpace));
  }
  countMade(result.size() - counted);
  if (marked)
    std::erase_if(result, [](const Token& token) { return token.kind == TokenKind::placemarker; });
}

// An argument expanded on its own, the first time it is needed. One without a macro name
// expands to itself, so it is copied rather than rescanned.
std::span<const Token> Preprocessor::expandedArgument(CallBuffers& buffers, std::size_t parameter) {
  if (buffers.expandedBegin[parameter] == kNotExpanded) {
    std::span<const Token> argument = buffers.arguments[parameter];
    buffers.expandedBegin[parameter] = static_cast<std::uint32_t>(buffers.expanded.size());
    if (std::any_of(argument.begin(), argument.end(), [&](const Token& token) {
          return token.kind == TokenKind::identifier && !token.has(token_flag::kNoExpand) &&
                 macros_.find(token.text);
        })) {
      expandListInto(argument, buffers.expanded);
    } else {
      buffers.expanded.insert(buffers.expanded.end(), argument.begin(), argument.end());
    }
    buffers.expandedEnd[parameter] = static_cast<std::uint32_t>(buffers.expanded.size());
  }
  std::uint32_t begin = buffers.expandedBegin[parameter];
  return std::span<const Token>(buffers.expanded)
      .subspan(begin, buffers.expandedEnd[parameter] - begin);
}

// Joins the last token of result with the first of right; the join is lexed again.
void Preprocessor::paste(std::vector<Token>& result, std::span<const Token> right) {
  if (right.empty()) return;
  if (result.empty() || result.back().kind == TokenKind::placemarker) {
    std::uint8_t space = result.empty() ? 0 : result.back().flags & kLeadingSpace;
    if (!result.empty()) result.pop_back();
    std::size_t first = result.size();
    result.insert(result.end(), right.begin(), right.end());
    result[first].flags = static_cast<std::uint8_t>((result[first].flags & ~kLeadingSpace) | space);
    return;
  }
  if (right.front().kind == TokenKind::placemarker) {
    result.insert(result.end(), right.begin() + 1, right.end());
    return;
  }
  Token left = result.back();
  result.pop_back();
  spelling_.assign(left.text);
  spelling_ += right.front().text;
  spelling_ += '\n';
  std::string_view joined = keepMade(spelling_);
  Lexer lexer(joined, left.file, nullptr);
  bool first = true;
  for (Token token = lexer.next();
       token.kind != TokenKind::newline && token.kind != TokenKind::endOfFile;
       token = lexer.next()) {
    token.line = left.line;
    token.column = left.column;
    token.file = left.file;
    token.flags = first ? left.flags & kLeadingSpace : token.flags & kLeadingSpace;
    first = false;
    result.push_back(token);
  }
  result.insert(result.end(), right.begin() + 1, right.end());
}

Token Preprocessor::stringize(std::span<const Token> argument, const Token& where) {
  std::string& text = spelling_;
  text.assign(1, '"');
  for (std::size_t at = 0; at < argument.size(); ++at) {
    const Token& token = argument[at];
    if (at > 0 && token.has(kLeadingSpace)) text += ' ';
    if (token.kind == TokenKind::string || token.kind == TokenKind::character) {
      quoteLiteralInto(text, token.text);
    } else {
      text += token.text;
    }
  }
  text += '"';
  Token result = where;
  result.kind = TokenKind::string;
  result.text = keepMade(text);
  return result;
}

// Expands a token list on its own, as an argument is before it is substituted.
std::vector<Token> Preprocessor::expandList(std::span<const Token> tokens) {
  std::vector<Token> result;
  expandListInto(tokens, result);
  return result;
}

void Preprocessor::expandListInto(std::span<const Token> tokens, std::vector<Token>& into) {
  countMade(tokens.size());
  Token end;
  end.kind = TokenKind::endOfList;
  push(end);
  pushReversed(tokens);
  for (Token token = next(); token.kind != TokenKind::endOfList; token = next()) {
    countMade(1);
    into.push_back(token);
  }
}

}  // namespace kz::cfront
