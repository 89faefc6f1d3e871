#include "cfront/parser.h"

#include "cfront/fatal.h"

namespace kz::cfront {

Parser::Parser(TokenReader& tokens, ExpressionBuilder& expressions, TypeTable& types,
               NodeArena& nodes, Diagnostics& diagnostics, const RunOptions& options,
               TopLevelSink* sink)
    : tokens_(tokens),
      expressions_(expressions),
      types_(types),
      nodes_(nodes),
      diagnostics_(diagnostics),
      options_(options),
      sink_(sink),
      scopes_(tokens.identifiers()) {}

void Parser::expect(Tok kind) {
  if (peek().kind != kind) syntaxError();
  skip();
}

CToken Parser::expectIdentifier() {
  if (peek().kind != Tok::identifier) syntaxError();
  return take();
}

void Parser::syntaxError() {
  reportSyntaxError();
  throw SyntaxError{};
}

void Parser::reportSyntaxError() {
  if (tokensSinceError_ >= 3) {
    std::uint32_t column = peek().spot.column;
    diagnostics_.report(Message::syntaxErrorAtColumn, {column == 0 ? 1u : column});
  }
  tokensSinceError_ = 0;
}

// Skips to the end of the construct in error: past a ';' or a balanced '}' at the level where
// the error arose, or up to a '}' that closes the enclosing block.
void Parser::skipAfterError(bool inBlock) {
  int depth = 0;
  for (;;) {
    Tok kind = peek().kind;
    if (kind == Tok::end) return;
    if (kind == Tok::lbrace) {
      ++depth;
    } else if (kind == Tok::rbrace) {
      if (depth == 0) {
        if (inBlock) return;
        tokens_.skip();
        return;
      }
      if (--depth == 0 && !inBlock) {
        tokens_.skip();
        if (peek().kind == Tok::semicolon) tokens_.skip();
        return;
      }
    } else if (kind == Tok::semicolon && depth == 0) {
      tokens_.skip();
      return;
    }
    tokens_.skip();
  }
}

void Parser::enterNesting() {
  if (++nesting_ > kMaxNesting) diagnostics_.report(Message::parserStackOverflow);
}

void Parser::parseTranslationUnit() {
  predeclareRegisters();
  while (peek().kind != Tok::end) {
    int nesting = nesting_;
    int blocks = blockNesting_;
    try {
      externalDeclaration();
      nodes_.releaseBodies();
    } catch (const SyntaxError&) {
      while (scopes_.depth() > 0) scopes_.close();
      nesting_ = nesting;
      blockNesting_ = blocks;
      recordNesting_ = 0;
      currentFunction_ = nullptr;
      loopDepth_ = switchDepth_ = 0;
      skipAfterError(false);
    }
  }
}

void Parser::externalDeclaration() {
  if (accept(Tok::semicolon)) return;
  bool hasSpecifiers = startsDeclaration();
  Specifiers specifiers;
  if (hasSpecifiers) {
    specifiers = declarationSpecifiers(true);
  } else if (peek().kind == Tok::identifier || peek().kind == Tok::star ||
             peek().kind == Tok::lparen) {
    // An old-style definition or declaration without specifiers: int is meant.
    specifiers.type = types_.basic(TypeKind::intType);
    specifiers.spot = peek().spot;
  } else {
    syntaxError();
  }
  declaration(specifiers, true, nullptr);
}

// The register and flag variables are objects of file scope that exist in every unit.
void Parser::predeclareRegisters() {
  if (options_.ansiMode != 0) return;
  for (const RegisterWord& word : registerWords()) {
    Symbol* symbol = nodes_.symbol();
    symbol->name = word.name;
    symbol->kind = word.kind;
    symbol->registerCode = word.code;
    symbol->storage = StorageClass::registerClass;
    symbol->type = types_.basic(word.word ? TypeKind::unsignedInt : TypeKind::unsignedChar);
    symbol->defined = true;
    scopes_.declare(symbol);
  }
}

void Parser::emit(const TopLevel& item) {
  if (sink_) sink_->topLevel(item);
}

}  // namespace kz::cfront
