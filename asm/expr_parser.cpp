#include "asm/expr_parser.h"

#include <array>
#include <cstdint>
#include <optional>

namespace kz::assembler {

namespace {

constexpr int kLoosestLevel = 8;
constexpr int kMaxNesting = 256;  // parentheses and signs; keeps the recursion bounded
constexpr std::size_t kTypicalNodes = 8;

struct BinaryOperator {
  TokenKind kind;
  char punct;
  ExprOp op;
  int level;
  bool inFloating;  // allowed in floating expressions
};

constexpr BinaryOperator kBinaryOperators[] = {
    {TokenKind::punct, '*', ExprOp::multiply, 3, true},
    {TokenKind::punct, '/', ExprOp::divide, 3, true},
    {TokenKind::punct, '%', ExprOp::remainder, 3, false},
    {TokenKind::punct, '+', ExprOp::add, 4, true},
    {TokenKind::punct, '-', ExprOp::subtract, 4, true},
    {TokenKind::shiftLeft, 0, ExprOp::shiftLeft, 5, false},
    {TokenKind::shiftRight, 0, ExprOp::shiftRight, 5, false},
    {TokenKind::punct, '&', ExprOp::bitAnd, 6, false},
    {TokenKind::punct, '^', ExprOp::bitXor, 7, false},
    {TokenKind::punct, '|', ExprOp::bitOr, 8, false},
};

// FIMS, FIMDH, FIMDL, FIMXH, FIMXM, FIMXL, by their reserved-word value.
constexpr FloatPrecision kFloatPartPrecision[] = {
    FloatPrecision::single,   FloatPrecision::dbl,      FloatPrecision::dbl,
    FloatPrecision::extended, FloatPrecision::extended, FloatPrecision::extended,
};

constexpr std::size_t kNoOperator = std::size(kBinaryOperators);

// The operator a punctuation character stands for, by the character.
constexpr std::array<std::uint8_t, 256> buildPunctOperators() {
  std::array<std::uint8_t, 256> byPunct{};
  byPunct.fill(kNoOperator);
  for (std::size_t i = 0; i < std::size(kBinaryOperators); ++i) {
    if (kBinaryOperators[i].kind == TokenKind::punct)
      byPunct[static_cast<unsigned char>(kBinaryOperators[i].punct)] = static_cast<std::uint8_t>(i);
  }
  return byPunct;
}
constexpr std::array<std::uint8_t, 256> kPunctOperators = buildPunctOperators();

const BinaryOperator* binaryOperatorAt(const Token& token) {
  if (token.kind == TokenKind::punct) {
    std::size_t at = kPunctOperators[static_cast<unsigned char>(token.punct)];
    return at == kNoOperator ? nullptr : &kBinaryOperators[at];
  }
  if (token.kind != TokenKind::shiftLeft && token.kind != TokenKind::shiftRight) return nullptr;
  for (const BinaryOperator& candidate : kBinaryOperators) {
    if (candidate.kind == token.kind) return &candidate;
  }
  return nullptr;
}

bool isPunct(const Token& token, char c) {
  return token.kind == TokenKind::punct && token.punct == c;
}

bool isSign(const Token& token) { return isPunct(token, '+') || isPunct(token, '-'); }

}  // namespace

// One parse of one expression; nodes go into the tree, the first error ends it.
class ExprParseRun {
 public:
  ExprParseRun(ExprParser& parser, TokenCursor& tokens, Pass pass, ExprTree& tree)
      : parser_(parser), tokens_(tokens), pass_(pass), tree_(tree) {}

  std::uint32_t expression() { return binary(kLoosestLevel); }
  void fixPrecision(FloatPrecision precision) {
    floatingOnly_ = true;
    fixedPrecision_ = precision;
  }

 private:
  const Token& current() const { return tokens_.current(); }
  std::uint32_t fail(Message message) {
    parser_.reporter_.reportError(message);
    return kNoNode;
  }
  std::uint32_t add(const ExprNode& node) {
    if (tree_.nodes.capacity() == 0) tree_.nodes.reserve(kTypicalNodes);
    tree_.nodes.push_back(node);
    return static_cast<std::uint32_t>(tree_.nodes.size() - 1);
  }
  std::uint32_t addOperation(ExprOp op, std::uint32_t left, std::uint32_t right = kNoNode) {
    ExprNode node;
    node.op = op;
    node.left = left;
    node.right = right;
    return add(node);
  }
  std::uint32_t rememberName(std::string_view name) {
    tree_.names.emplace_back(name);
    return static_cast<std::uint32_t>(tree_.names.size() - 1);
  }
  void noteReference(SymbolIndex symbol) {
    if (pass_ == Pass::first && symbol != kNoSymbol && parser_.symbols_.recordsReferences()) {
      parser_.symbols_.addReference(symbol, parser_.reporter_.fileIndex(),
                                    parser_.reporter_.line());
    }
  }

  std::uint32_t binary(int level);
  std::uint32_t climb(std::uint32_t left, int level);
  std::uint32_t unary();
  std::uint32_t width();
  std::uint32_t widthOperand();
  std::uint32_t primary();
  std::uint32_t group();
  std::uint32_t name();
  std::uint32_t floatingConstant();
  std::uint32_t sectionFunction();
  std::uint32_t floatPart();

  ExprParser& parser_;
  TokenCursor& tokens_;
  Pass pass_;
  ExprTree& tree_;
  bool floatingOnly_ = false;
  std::optional<FloatPrecision> fixedPrecision_;
  bool precisionWarned_ = false;
  int nesting_ = 0;
};

// binary(n) := unary { operator-of-level-at-most-n unary }, by precedence climbing: an
// operand binds to the tighter of the operators around it, equal levels group to the left.
std::uint32_t ExprParseRun::binary(int level) { return climb(unary(), level); }

std::uint32_t ExprParseRun::climb(std::uint32_t left, int level) {
  while (left != kNoNode) {
    const BinaryOperator* op = binaryOperatorAt(current());
    if (op == nullptr || op->level > level) break;
    if (floatingOnly_ && !op->inFloating) return fail(Message::invalidExpression);
    tokens_.advance();
    if (isSign(current())) parser_.signAfterOperator_ = true;
    std::uint32_t right = unary();
    while (right != kNoNode) {
      const BinaryOperator* next = binaryOperatorAt(current());
      if (next == nullptr || next->level >= op->level) break;
      right = climb(right, op->level - 1);
    }
    if (right == kNoNode) return kNoNode;
    left = addOperation(op->op, left, right);
  }
  return left;
}

std::uint32_t ExprParseRun::unary() {
  const Token& token = current();
  std::optional<ExprOp> op;
  if (isPunct(token, '+')) op = ExprOp::plus;
  if (isPunct(token, '-')) op = ExprOp::negate;
  if (isPunct(token, '~')) op = ExprOp::complement;
  if (!op) return width();
  if (floatingOnly_ && *op == ExprOp::complement) return fail(Message::invalidExpression);
  if (nesting_ == kMaxNesting) return fail(Message::invalidExpression);
  tokens_.advance();
  ++nesting_;
  std::uint32_t operand = unary();
  --nesting_;
  return operand == kNoNode ? kNoNode : addOperation(*op, operand);
}

// width := primary { ':' width-operand }
std::uint32_t ExprParseRun::width() {
  std::uint32_t left = primary();
  while (left != kNoNode && isPunct(current(), ':')) {
    if (floatingOnly_) return fail(Message::invalidExpression);
    tokens_.advance();
    std::uint32_t right = widthOperand();
    if (right == kNoNode) return kNoNode;
    left = addOperation(ExprOp::widthLimit, left, right);
  }
  return left;
}

// width-operand := [ '+' | '-' ] primary
std::uint32_t ExprParseRun::widthOperand() {
  if (!isSign(current())) return primary();
  parser_.signAfterOperator_ = true;
  ExprOp op = isPunct(current(), '-') ? ExprOp::negate : ExprOp::plus;
  tokens_.advance();
  std::uint32_t operand = primary();
  return operand == kNoNode ? kNoNode : addOperation(op, operand);
}

// primary := integer | floating | name | '(' expression ')' | STARTOF/SIZEOF | FIMx
std::uint32_t ExprParseRun::primary() {
  const Token& token = current();
  switch (token.kind) {
    case TokenKind::integer: {
      ExprNode node;
      node.value = token.value;
      tokens_.advance();
      return add(node);
    }
    case TokenKind::floating:
      return floatingConstant();
    case TokenKind::identifier:
      return name();
    case TokenKind::reserved:
      if (token.wordClass == ReservedClass::sectionFunction) return sectionFunction();
      if (token.wordClass == ReservedClass::floatPart) return floatPart();
      return fail(Message::illegalSymbolReference);
    default:
      break;
  }
  if (isPunct(token, '(')) return group();
  return fail(Message::invalidExpression);
}

std::uint32_t ExprParseRun::group() {
  if (nesting_ == kMaxNesting) return fail(Message::invalidExpression);
  tokens_.advance();
  ++nesting_;
  std::uint32_t inner = expression();
  --nesting_;
  if (inner == kNoNode) return kNoNode;
  if (!isPunct(current(), ')')) return fail(Message::unbalancedParentheses);
  tokens_.advance();
  return inner;
}

std::uint32_t ExprParseRun::name() {
  const Token& token = current();
  ExprNode node;
  node.op = ExprOp::symbol;
  node.symbol = token.boundSymbol();
  if (node.symbol == kNoSymbol) {
    node.symbol = parser_.symbols_.lookupSymbol(token.text(), pass_);
    if (node.symbol == kNoSymbol) node.nameIndex = rememberName(token.text());
    if (node.symbol != kNoSymbol) tokens_.bindSymbol(node.symbol);
  }
  bool isLocation = node.symbol != kNoSymbol
                        ? parser_.symbols_.entry(node.symbol).state == symbolState::location
                        : token.text() == "$";
  if (isLocation) {
    node.op = ExprOp::location;
  }
  noteReference(node.symbol);
  tokens_.advance();
  return add(node);
}

std::uint32_t ExprParseRun::floatingConstant() {
  const Token& token = current();
  if (fixedPrecision_ && token.precision != *fixedPrecision_ && !precisionWarned_ &&
      pass_ != Pass::sizing) {
    parser_.reporter_.reportWarning(Message::floatingTypeMismatch);
    precisionWarned_ = true;
  }
  ExprNode node;
  node.op = ExprOp::floating;
  node.floatValue = token.floatValue;
  node.precision = token.precision;
  tokens_.advance();
  return add(node);
}

// section-function := ( STARTOF | SIZEOF ) ( name | '(' name ')' )
std::uint32_t ExprParseRun::sectionFunction() {
  ExprNode node;
  node.op = current().value == SectionFunctionValue::sizeOf ? ExprOp::sizeOf : ExprOp::startOf;
  tokens_.advance();
  bool parenthesised = isPunct(current(), '(');
  if (parenthesised) tokens_.advance();
  if (current().kind != TokenKind::identifier) return fail(Message::expectingIdentifier);
  std::string_view text = identifierName(current(), parser_.symbols_);
  node.symbol = parser_.symbols_.findSection(text);
  if (node.symbol == kNoSymbol) node.nameIndex = rememberName(text);
  noteReference(node.symbol);
  tokens_.advance();
  if (parenthesised) {
    if (!isPunct(current(), ')')) return fail(Message::unbalancedParentheses);
    tokens_.advance();
  }
  return add(node);
}

// float-part := FIMS | FIMDH | FIMDL | FIMXH | FIMXM | FIMXL '(' floating-expression ')'
std::uint32_t ExprParseRun::floatPart() {
  auto part = static_cast<std::uint8_t>(current().value);
  if (part >= std::size(kFloatPartPrecision)) return fail(Message::invalidExpression);
  tokens_.advance();
  if (!isPunct(current(), '(')) return fail(Message::invalidExpression);
  tokens_.advance();
  bool outerFloatingOnly = floatingOnly_;
  std::optional<FloatPrecision> outerPrecision = fixedPrecision_;
  fixPrecision(kFloatPartPrecision[part]);
  std::uint32_t operand = expression();
  floatingOnly_ = outerFloatingOnly;
  fixedPrecision_ = outerPrecision;
  if (operand == kNoNode) return kNoNode;
  if (!isPunct(current(), ')')) return fail(Message::unbalancedParentheses);
  tokens_.advance();
  ExprNode node;
  node.op = ExprOp::floatPart;
  node.part = part;
  node.left = operand;
  return add(node);
}

ExprTree ExprParser::parse(TokenCursor& tokens, Pass pass) {
  ExprTree tree;
  parse(tokens, pass, tree);
  return tree;
}

ExprTree ExprParser::parseFloating(TokenCursor& tokens, Pass pass, FloatPrecision precision) {
  ExprTree tree;
  parseFloating(tokens, pass, precision, tree);
  return tree;
}

void ExprParser::parse(TokenCursor& tokens, Pass pass, ExprTree& tree) {
  tree.clear();
  if (parseLoneNumber(tokens, tree)) return;
  ExprParseRun run(*this, tokens, pass, tree);
  tree.root = run.expression();
}

// The commonest expression, a number that no operator follows, without the descent through
// every level of the grammar; it comes out as the descent would make it.
bool ExprParser::parseLoneNumber(TokenCursor& tokens, ExprTree& tree) {
  const Token& number = tokens.current();
  const Token& after = tokens.peek(1);
  if (number.kind != TokenKind::integer || isPunct(after, ':') || binaryOperatorAt(after)) {
    return false;
  }
  ExprNode node;
  node.value = number.value;
  tree.nodes.push_back(node);
  tree.root = 0;
  tokens.advance();
  return true;
}

void ExprParser::parseFloating(TokenCursor& tokens, Pass pass, FloatPrecision precision,
                               ExprTree& tree) {
  tree.clear();
  tree.floatingResult = true;
  tree.precision = precision;
  ExprParseRun run(*this, tokens, pass, tree);
  run.fixPrecision(precision);
  tree.root = run.expression();
}

void ExprParser::endStatement() {
  if (signAfterOperator_) reporter_.reportError(Message::invalidExpression);
  signAfterOperator_ = false;
}

}  // namespace kz::assembler
