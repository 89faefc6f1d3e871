// Statements lowered to labels and jumps around their expressions.
#include <algorithm>
#include <string>

#include "cfront/emitter.h"
#include "cfront/expression_facts.h"

namespace kz::cfront {
namespace {

// A condition known to hold: a non-zero integer constant.
bool alwaysTrue(const Expr* condition) {
  return condition && condition->isConstant && condition->type && condition->type->isInteger() &&
         condition->integer != 0;
}

bool isLabelled(StmtKind kind) {
  return kind == StmtKind::label || kind == StmtKind::caseLabel || kind == StmtKind::defaultLabel;
}

// A loop condition cheap and harmless enough to be written twice: names and constants
// compared, without calls, assignments or increments.
bool isSimpleCondition(const Expr* expr, int depth = 0) {
  if (!expr || depth > 4) return false;
  switch (expr->kind) {
    case ExprKind::integerConstant:
    case ExprKind::name:
      return true;
    case ExprKind::implicitConversion:
    case ExprKind::cast:
    case ExprKind::logicalNot:
      return isSimpleCondition(expr->left, depth + 1);
    case ExprKind::binary:
      return isSimpleCondition(expr->left, depth + 1) && isSimpleCondition(expr->right, depth + 1);
    default:
      return false;
  }
}

}  // namespace

void Emitter::jump(std::uint32_t target) {
  text_.append("JMP,L").number(target);
  endLine();
  lastWasJump_ = true;
}

void Emitter::label(std::uint32_t target) {
  text_.append("LAB,L").number(target);
  endLine();
  lastWasJump_ = false;
}

// "TRUE,<operand>,,L<n>" or "FALSE,...": jumps when the operand is non-zero, or zero.
void Emitter::conditionalJump(bool when, const Operand& operand, std::uint32_t target) {
  text_.append(when ? std::string_view("TRUE,") : std::string_view("FALSE,"));
  operand.writeTo(text_);
  text_.append(",,L").number(target);
  endLine();
}

std::uint32_t Emitter::userLabel(std::string_view name) {
  for (const auto& [text, number] : userLabels_)
    if (text == name) return number;
  std::uint32_t number = newLabel();
  userLabels_.emplace_back(name, number);
  return number;
}

void Emitter::lineRecord(SourceSpot spot) {
  if (options_.noFileLineRecords || spot.line == 0) return;
  text_.append("LINE,").number(spot.line);
  endLine();
}

void Emitter::block(const Stmt* stmt, bool functionBody) {
  std::uint32_t number = 0;
  if (!functionBody) {
    number = ++blocks_;
    text_.append("{,").number(number);
    endLine();
  }
  for (const Stmt* inner : stmt->statements()) statement(inner);
  if (functionBody) return;
  text_.append("},").number(number);
  endLine();
}

void Emitter::statement(const Stmt* stmt) {
  if (!stmt) return;
  placeHeldRecords(stmt->spot.line);  // pragmas before it, in a block at any depth
  if (lastWasJump_ && !isLabelled(stmt->kind) && stmt->kind != StmtKind::declaration &&
      stmt->kind != StmtKind::empty && stmt->kind != StmtKind::compound)
    diagnostics_.warnAt(1, Message::unreachableStatement);
  switch (stmt->kind) {
    case StmtKind::declaration: {
      Symbol* symbol = stmt->symbol;
      if (!symbol) break;
      if (symbol->kind == SymbolKind::typedefName) {
        types_.declareTypedef(symbol->name, symbol->type, text_);
      } else if (symbol->kind == SymbolKind::function) {
        declareFunction(symbol);
      } else if (symbol->storage == StorageClass::externClass) {
        declareGlobal(symbol, nullptr, false);
      } else if (symbol->storage == StorageClass::staticClass) {
        declareStatic(symbol, stmt->initializer);
      } else if (symbol->kind == SymbolKind::object) {
        declareAutomatic(symbol);
        if (stmt->initializer) {
          lineRecord(stmt->spot);
          Operand target = operandOf(symbol);
          const Initializer* init = stmt->initializer;
          Operand source;
          if (init->braced || (symbol->type->kind == TypeKind::array)) {
            // A braced initialiser of an automatic object is a static image copied in.
            std::uint32_t number = ++statics_;
            std::uint32_t type = typeIndex(symbol->type);
            HeldOutput data(spill_);
            holdData(symbol->type, init, data);
            text_.append("\tS").number(number).append(",\"\",").number(type).append(",3,");
            text_.number(sizeOf(symbol->type)).append(",1,3");
            symbolLineEnds(data);
            source = Operand('S', number, symbol->type);
          } else {
            source = valueInto(init->expression, target);
          }
          if (!source.text().empty()) instruction("=", target, source, target);
        }
      }
      break;
    }
    case StmtKind::expression:
      lineRecord(stmt->spot);
      discard(stmt->expression);
      break;
    case StmtKind::compound:
      block(stmt, false);
      break;
    case StmtKind::ifStmt:
      ifStatement(stmt);
      break;
    case StmtKind::whileStmt:
      whileStatement(stmt);
      break;
    case StmtKind::doStmt:
      doStatement(stmt);
      break;
    case StmtKind::forStmt:
      forStatement(stmt);
      break;
    case StmtKind::switchStmt:
      switchStatement(stmt);
      break;
    case StmtKind::caseLabel:
    case StmtKind::defaultLabel: {
      std::uint32_t number = newLabel();
      label(number);
      if (!switches_.empty()) {
        if (stmt->kind == StmtKind::caseLabel)
          switches_.back().cases.push_back({stmt->caseValue, number});
        else
          switches_.back().defaultLabel = number;
      }
      statement(stmt->body);
      break;
    }
    case StmtKind::label:
      label(userLabel(stmt->text));
      statement(stmt->body);
      break;
    case StmtKind::gotoStmt:
      lineRecord(stmt->spot);
      jump(userLabel(stmt->text));
      break;
    case StmtKind::breakStmt:
    case StmtKind::continueStmt: {
      if (options_.debugFlags) lineRecord(stmt->spot);
      bool isBreak = stmt->kind == StmtKind::breakStmt;
      for (auto it = loops_.rbegin(); it != loops_.rend(); ++it) {
        if (isBreak) {
          if (it->breakLabel == 0) it->breakLabel = newLabel();
          it->breakUsed = true;
          jump(it->breakLabel);
          break;
        }
        if (it->continueLabel != 0) {
          jump(it->continueLabel);
          break;
        }
      }
      break;
    }
    case StmtKind::returnStmt:
      lineRecord(stmt->spot);
      if (stmt->expression) {
        Operand result{"A", function_ && function_->type->function
                                ? function_->type->function->returnType
                                : nullptr};
        assignFrom(stmt->expression, result);
      }
      jump(endLabel_);
      endUsed_ = true;
      break;
    case StmtKind::inlineAsm:
      lineRecord(stmt->spot);
      assemblyLines(stmt->upperAsm ? "ASM," : "asm,", stmt->text);
      break;
    case StmtKind::empty:
      break;
  }
}

// One record per line of the text; a line end at the very end opens no further line.
void Emitter::assemblyLines(std::string_view head, std::string_view text) {
  do {
    std::size_t end = std::min(text.find('\n'), text.size());
    line(std::string(head).append(text.substr(0, end)));
    text.remove_prefix(std::min(end + 1, text.size()));
  } while (!text.empty());
}

void Emitter::ifStatement(const Stmt* stmt) {
  lineRecord(stmt->spot);
  std::uint32_t otherwise = newLabel();
  branch(stmt->expression, false, otherwise);
  statement(stmt->body);
  if (stmt->otherwise) {
    std::uint32_t end = newLabel();
    bool thenEndsInJump = lastWasJump_;
    jump(end);
    label(otherwise);
    statement(stmt->otherwise);
    bool elseEndsInJump = lastWasJump_;
    label(end);
    lastWasJump_ = thenEndsInJump && elseEndsInJump;
  } else {
    label(otherwise);
  }
}

void Emitter::whileStatement(const Stmt* stmt) {
  lineRecord(stmt->spot);
  std::uint32_t head = newLabel();
  std::uint32_t exit = newLabel();
  label(head);
  branch(stmt->expression, false, exit);
  loops_.push_back({exit, head, false});
  statement(stmt->body);
  jump(head);
  label(exit);
  Loop done = loops_.back();
  loops_.pop_back();
  lastWasJump_ = alwaysTrue(stmt->expression) && !done.breakUsed;
}

void Emitter::doStatement(const Stmt* stmt) {
  lineRecord(stmt->spot);
  std::uint32_t top = newLabel();
  std::uint32_t next = newLabel();
  std::uint32_t exit = newLabel();
  label(top);
  loops_.push_back({exit, next, false});
  statement(stmt->body);
  label(next);
  lineRecord(stmt->expression ? stmt->expression->spot : stmt->spot);
  branch(stmt->expression, true, top);
  label(exit);
  Loop done = loops_.back();
  loops_.pop_back();
  lastWasJump_ = alwaysTrue(stmt->expression) && !done.breakUsed;
}

void Emitter::forStatement(const Stmt* stmt) {
  lineRecord(stmt->spot);
  if (stmt->init) discard(stmt->init);
  std::uint32_t top = newLabel();
  std::uint32_t next = newLabel();
  std::uint32_t exit = newLabel();
  bool twice = stmt->expression && !options_.sizeLoops && isSimpleCondition(stmt->expression);
  std::uint32_t test = 0;
  if (twice) {
    branch(stmt->expression, false, exit);
  } else if (stmt->expression) {
    test = newLabel();
    jump(test);
  }
  label(top);
  loops_.push_back({exit, next, false});
  statement(stmt->body);
  label(next);
  if (stmt->step) {
    lineRecord(stmt->step->spot);
    discard(stmt->step);
  }
  if (test) label(test);
  if (stmt->expression)
    branch(stmt->expression, true, top);
  else
    jump(top);
  label(exit);
  Loop done = loops_.back();
  loops_.pop_back();
  lastWasJump_ = (!stmt->expression || alwaysTrue(stmt->expression)) && !done.breakUsed;
}

// The fixed arrangement: the selector copied into a temporary, a jump to the dispatch, the
// body with a label at each case, then the dispatch comparing the cases newest first.
void Emitter::switchStatement(const Stmt* stmt) {
  lineRecord(stmt->spot);
  bool valid = stmt->expression && stmt->expression->type && stmt->expression->type->isInteger();
  SwitchState state;
  if (valid) {
    Operand source = value(stmt->expression);
    state.selector = newTemporary(stmt->expression->type);
    instruction("=", state.selector, source, state.selector);
  }
  std::uint32_t dispatch = newLabel();
  jump(dispatch);
  switches_.push_back(std::move(state));
  loops_.push_back({0, 0, false});
  statement(stmt->body);
  Loop loop = loops_.back();
  loops_.pop_back();
  SwitchState done = std::move(switches_.back());
  switches_.pop_back();
  if (!valid) {
    label(dispatch);
    return;
  }
  if (!lastWasJump_) {
    if (loop.breakLabel == 0) loop.breakLabel = newLabel();
    jump(loop.breakLabel);
  }
  if (!options_.noFileLineRecords)
    line("LINE," + std::to_string(stmt->spot.line) + "," + std::to_string(stmt->spot.column));
  label(dispatch);
  for (auto it = done.cases.rbegin(); it != done.cases.rend(); ++it) {
    Operand result = newTemporary(typeTable_.basic(TypeKind::intType));
    instruction("==", done.selector, constantOf(it->value, done.selector.type), result);
    conditionalJump(true, result, it->label);
  }
  if (done.defaultLabel) jump(done.defaultLabel);
  if (loop.breakLabel) label(loop.breakLabel);
}

}  // namespace kz::cfront

namespace kz::cfront {

void Emitter::branch(const Expr* condition, bool when, std::uint32_t target) {
  if (!condition) {
    if (when) jump(target);
    return;
  }
  Deeper deeper(*this);
  if (condition->isConstant && condition->type && condition->type->isInteger()) {
    if ((condition->integer != 0) == when) jump(target);
    return;
  }
  if (condition->kind == ExprKind::logicalNot) {
    branch(condition->left, !when, target);
    return;
  }
  if (condition->kind == ExprKind::binary &&
      (condition->op == BinaryOp::logicalAnd || condition->op == BinaryOp::logicalOr)) {
    // Jumping when "a && b" is false, or "a || b" true, needs no label of its own.
    bool sameSense = (condition->op == BinaryOp::logicalAnd) != when;
    if (sameSense) {
      branch(condition->left, when, target);
      branch(condition->right, when, target);
    } else {
      std::uint32_t skip = newLabel();
      branch(condition->left, !when, skip);
      branch(condition->right, when, target);
      label(skip);
    }
    return;
  }
  if (condition->kind == ExprKind::conditional && condition->third) {
    // Each side tests itself: no value is made for the whole.
    std::uint32_t otherwise = newLabel();
    std::uint32_t end = newLabel();
    branch(condition->left, false, otherwise);
    branch(condition->right, when, target);
    jump(end);
    label(otherwise);
    branch(condition->third, when, target);
    label(end);
    return;
  }
  conditionalJump(when, value(condition), target);
  lastWasJump_ = false;
}

}  // namespace kz::cfront
