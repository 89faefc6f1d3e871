#include "clike/parser.h"

#include <cstdio>

#include "clike/fatal.h"

namespace kz::clike {
namespace {

constexpr std::string_view kSyntaxError = "Syntax error";
constexpr std::string_view kStackOverflow = "Parser stack overflow";

}  // namespace

void Parser::stackOverflow() {
  diagnostics_.reportSyntax(kStackOverflow, peek().text);
  throw Abort{};
}

Parser::Parser(Diagnostics& diagnostics, Preprocessor& preprocessor, const OptionSettings& options,
               CodeEmitter& emitter, std::string moduleName)
    : diagnostics_(diagnostics),
      preprocessor_(preprocessor),
      options_(options),
      emitter_(emitter),
      moduleName_(std::move(moduleName)) {}

// #asm text stands where it was written, between statements or declarations: it is
// written when the parser first looks at it.
void Parser::nextToken(Token& token) {
  preprocessor_.next(token);
  if (token.kind == TokenClass::asmBlock) asmBlocks(token);
}

void Parser::asmBlocks(Token& token) {
  while (token.kind == TokenClass::asmBlock) {
    emitter_.asmText(token.text);
    preprocessor_.next(token);
  }
}

void Parser::fillAhead() {
  nextToken(ahead_[0]);
  aheadCount_ = 1;
}

const Token& Parser::peekSecond() {
  peek();
  if (aheadCount_ == 1) {
    nextToken(ahead_[1]);
    aheadCount_ = 2;
  }
  return ahead_[1];
}

bool Parser::missing(TokenClass kind) {
  // A block still open at the end of the source is error 207 at the end, nothing more.
  if (kind == TokenClass::closeBrace && at(TokenClass::endOfInput)) return false;
  syntaxError();
  return false;
}

void Parser::syntaxError() {
  if (recovering_) return;
  recovering_ = true;
  diagnostics_.reportSyntax(kSyntaxError, peek().text);
}

void Parser::markLine(const Token& token) { emitter_.setLine(token.line, token.depth); }

// After a syntax error: skip to the end of the statement (its ';' taken) or to a brace,
// so one mistake costs one message.
void Parser::recoverTo(bool atBrace) {
  int depth = 0;
  while (!at(TokenClass::endOfInput)) {
    TokenClass kind = peek().kind;
    if (kind == TokenClass::semicolon && depth == 0) {
      take();
      break;
    }
    if (kind == TokenClass::openBrace) {
      if (atBrace && depth == 0) break;
      ++depth;
    }
    if (kind == TokenClass::closeBrace) {
      if (depth == 0) break;
      if (--depth == 0 && !atBrace) {
        take();
        break;
      }
    }
    take();
  }
  recovering_ = false;
}

// module: { external-declaration }
void Parser::parseModule() {
  try {
    while (!at(TokenClass::endOfInput)) {
      externalDeclaration();
      if (recovering_) recoverTo(false);
    }
  } catch (const Abort&) {
    // The rest of the source is read for its directives only.
    while (preprocessor_.next().kind != TokenClass::endOfInput) {
    }
  }
  emitter_.flush();
}

// external-declaration: section-statement | section-pragma | declaration | function-definition
void Parser::externalDeclaration() {
  const Token& token = peek();
  markLine(token);
  switch (token.kind) {
    case TokenClass::keywordSection:
      sectionStatement();
      break;
    case TokenClass::pragma:
      pragmaLine();
      break;
    case TokenClass::semicolon:
      take();
      break;
    default:
      if (!startsDeclaration() && !unknownTypeName(true)) {
        syntaxError();
        take();
        return;
      }
      declaration(declarationSpecifiers());
      break;
  }
  if (!recovering_) diagnostics_.syntaxRecovered();
}

CompiledModule Parser::module() const {
  CompiledModule result;
  result.externals = externals_;
  result.publics = publics_;
  result.usesSwitchRoutine = usesSwitchRoutine_;
  return result;
}

void Parser::reportUndefinedOnce(SymbolEntry& symbol) {
  diagnostics_.reportError(Message::undefinedSymbol, symbol.name);
  // Entered as an external of type char, so the next use is quiet.
  symbol.declared = true;
  symbol.kind = SymbolKind::external;
  symbol.type = Type{};
  symbol.type.base = BaseType::ucharType;
}

}  // namespace kz::clike
