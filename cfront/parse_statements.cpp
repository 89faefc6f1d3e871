// Statements and blocks.
#include <algorithm>

#include "cfront/parser.h"

namespace kz::cfront {

Stmt* Parser::compoundStatement(bool functionBody) {
  Stmt* block = nodes_.stmt();
  block->kind = StmtKind::compound;
  block->spot = peek().spot;
  expect(Tok::lbrace);
  if (++blockNesting_ > kMaxBlockNesting) diagnostics_.report(Message::blockNestTooDeep);
  if (!functionBody) scopes_.open();
  StackTop<Stmt> statements(statementStack_);
  while (peek().kind != Tok::rbrace && peek().kind != Tok::end) {
    int nesting = nesting_;
    int blocks = blockNesting_;
    int depth = scopes_.depth();
    int loops = loopDepth_;
    int switches = switchDepth_;
    try {
      if (startsDeclaration() && tokens_.peekSecond().kind != Tok::colon) {
        Specifiers specifiers = declarationSpecifiers(true);
        declaration(specifiers, false, &statementStack_);
      } else {
        Stmt* stmt = statement();
        statementStack_.push_back(stmt);
      }
    } catch (const SyntaxError&) {
      while (scopes_.depth() > depth) scopes_.close();
      nesting_ = nesting;
      blockNesting_ = blocks;
      loopDepth_ = loops;
      switchDepth_ = switches;
      recordNesting_ = 0;
      skipAfterError(true);
    }
  }
  std::span<Stmt* const> inner = statements.items();
  block->statementList =
      std::copy(inner.begin(), inner.end(), nodes_.stmtList(inner.size())) - inner.size();
  block->statementCount = static_cast<std::uint32_t>(inner.size());
  expect(Tok::rbrace);
  if (!functionBody) scopes_.close();
  --blockNesting_;
  return block;
}

Stmt* Parser::statement() {
  const CToken& token = peek();
  switch (token.kind) {
    case Tok::lbrace:
      return compoundStatement(false);
    case Tok::kwIf:
      return ifStatement();
    case Tok::kwWhile:
    case Tok::kwDo:
      return loopStatement(token.kind);
    case Tok::kwFor:
      return forStatement();
    case Tok::kwSwitch:
      return switchStatement();
    case Tok::kwBreak:
    case Tok::kwContinue:
    case Tok::kwGoto:
      return jumpStatement(token.kind);
    case Tok::kwReturn:
      return returnStatement();
    case Tok::kwAsm:
      return assemblyStatement();
    case Tok::kwCase:
    case Tok::kwDefault: {
      Stmt* stmt = nodes_.stmt();
      stmt->spot = token.spot;
      bool isCase = takeKind() == Tok::kwCase;
      stmt->kind = isCase ? StmtKind::caseLabel : StmtKind::defaultLabel;
      Expr* value = isCase ? conditionalExpression() : nullptr;
      expect(Tok::colon);
      if (switchDepth_ == 0) {
        diagnostics_.report(Message::syntaxErrorIn, {isCase ? "case" : "default"});
      } else if (isCase) {
        stmt->caseValue = expressions_.caseValue(value, switchType_, stmt->spot);
        if (caseValues_) {
          if (std::find(caseValues_->begin(), caseValues_->end(), stmt->caseValue) !=
              caseValues_->end())
            diagnostics_.report(Message::duplicateCase, {static_cast<double>(stmt->caseValue)});
          else
            caseValues_->push_back(stmt->caseValue);
        }
      } else {
        if (sawDefault_) diagnostics_.report(Message::duplicateDefault);
        sawDefault_ = true;
      }
      return labelled(stmt);
    }
    case Tok::semicolon: {
      Stmt* stmt = nodes_.stmt();
      stmt->spot = takeSpot();
      return stmt;
    }
    case Tok::identifier:
      if (tokens_.peekSecond().kind == Tok::colon) {
        Stmt* stmt = nodes_.stmt();
        stmt->kind = StmtKind::label;
        CToken name = take();
        skip();
        stmt->spot = name.spot;
        stmt->text = name.text;
        LabelEntry& label = scopes_.label(name.text);
        if (label.defined) diagnostics_.report(Message::redeclaration, {name.text});
        label.defined = true;
        return labelled(stmt);
      }
      break;
    default:
      break;
  }
  Stmt* stmt = nodes_.stmt();
  stmt->kind = StmtKind::expression;
  stmt->spot = token.spot;
  stmt->expression = expression();
  expressions_.checkExpressionStatement(stmt->expression);
  expect(Tok::semicolon);
  return stmt;
}

// __asm ("text") and __ASM ("text"), adjacent strings joined: the text goes to the next pass
// unchanged, each of its lines in a record of its own.
Stmt* Parser::assemblyStatement() {
  Stmt* stmt = nodes_.stmt();
  CToken keyword = take();
  stmt->kind = StmtKind::inlineAsm;
  stmt->spot = keyword.spot;
  stmt->upperAsm = keyword.text == "__ASM";
  expect(Tok::lparen);
  if (peek().kind != Tok::string) syntaxError();
  Expr* text = stringPrimary(take());
  if (text->wide()) reportSyntaxError();
  stmt->text = text->text();
  expect(Tok::rparen);
  expect(Tok::semicolon);
  return stmt;
}

// The statement after a label; a label right before '}' labels an empty statement.
Stmt* Parser::labelled(Stmt* stmt) {
  if (peek().kind == Tok::rbrace) {
    reportSyntaxError();
    return stmt;
  }
  enterNesting();
  stmt->body = statement();
  leaveNesting();
  return stmt;
}

Expr* Parser::condition() {
  expect(Tok::lparen);
  Expr* value = expression();
  expect(Tok::rparen);
  expressions_.checkCondition(value);
  return value;
}

Stmt* Parser::ifStatement() {
  Stmt* stmt = nodes_.stmt();
  stmt->kind = StmtKind::ifStmt;
  stmt->spot = takeSpot();
  stmt->expression = condition();
  enterNesting();
  stmt->body = statement();
  if (accept(Tok::kwElse)) stmt->otherwise = statement();
  leaveNesting();
  return stmt;
}

Stmt* Parser::loopStatement(Tok kind) {
  Stmt* stmt = nodes_.stmt();
  stmt->spot = takeSpot();
  enterNesting();
  ++loopDepth_;
  if (kind == Tok::kwWhile) {
    stmt->kind = StmtKind::whileStmt;
    stmt->expression = condition();
    stmt->body = statement();
  } else {
    stmt->kind = StmtKind::doStmt;
    stmt->body = statement();
    expect(Tok::kwWhile);
    stmt->expression = condition();
    expect(Tok::semicolon);
  }
  --loopDepth_;
  leaveNesting();
  return stmt;
}

Stmt* Parser::forStatement() {
  Stmt* stmt = nodes_.stmt();
  stmt->kind = StmtKind::forStmt;
  stmt->spot = takeSpot();
  expect(Tok::lparen);
  if (peek().kind != Tok::semicolon) {
    stmt->init = expression();
    expressions_.checkExpressionStatement(stmt->init);
  }
  expect(Tok::semicolon);
  if (peek().kind != Tok::semicolon) {
    stmt->expression = expression();
    expressions_.checkCondition(stmt->expression);
  }
  expect(Tok::semicolon);
  if (peek().kind != Tok::rparen) stmt->step = expression();
  expect(Tok::rparen);
  enterNesting();
  ++loopDepth_;
  stmt->body = statement();
  --loopDepth_;
  leaveNesting();
  return stmt;
}

Stmt* Parser::switchStatement() {
  Stmt* stmt = nodes_.stmt();
  stmt->kind = StmtKind::switchStmt;
  stmt->spot = takeSpot();
  expect(Tok::lparen);
  stmt->expression = expressions_.switchValue(expression(), stmt->spot);
  expect(Tok::rparen);
  TypeRef outerType = switchType_;
  bool outerDefault = sawDefault_;
  std::vector<long long>* outerCases = caseValues_;
  std::vector<long long> cases;
  switchType_ = stmt->expression && stmt->expression->type ? stmt->expression->type
                                                           : types_.basic(TypeKind::intType);
  sawDefault_ = false;
  caseValues_ = &cases;
  ++switchDepth_;
  enterNesting();
  try {
    stmt->body = statement();
  } catch (const SyntaxError&) {
    switchType_ = outerType;
    sawDefault_ = outerDefault;
    caseValues_ = outerCases;
    throw;
  }
  leaveNesting();
  --switchDepth_;
  switchType_ = outerType;
  sawDefault_ = outerDefault;
  caseValues_ = outerCases;
  return stmt;
}

Stmt* Parser::jumpStatement(Tok kind) {
  Stmt* stmt = nodes_.stmt();
  stmt->spot = takeSpot();
  if (kind == Tok::kwGoto) {
    stmt->kind = StmtKind::gotoStmt;
    CToken name = expectIdentifier();
    stmt->text = name.text;
    scopes_.label(name.text).used = true;
  } else if (kind == Tok::kwBreak) {
    stmt->kind = StmtKind::breakStmt;
    if (loopDepth_ == 0 && switchDepth_ == 0) diagnostics_.report(Message::illegalBreak);
  } else {
    stmt->kind = StmtKind::continueStmt;
    if (loopDepth_ == 0) diagnostics_.report(Message::illegalContinue);
  }
  expect(Tok::semicolon);
  return stmt;
}

Stmt* Parser::returnStatement() {
  Stmt* stmt = nodes_.stmt();
  stmt->kind = StmtKind::returnStmt;
  stmt->spot = takeSpot();
  Expr* value = peek().kind == Tok::semicolon ? nullptr : expression();
  TypeRef returnType = currentFunction_ && currentFunction_->type->function
                           ? currentFunction_->type->function->returnType
                           : types_.basic(TypeKind::intType);
  stmt->expression = expressions_.returnValue(value, returnType, stmt->spot);
  expect(Tok::semicolon);
  return stmt;
}

}  // namespace kz::cfront
