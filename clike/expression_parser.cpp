// Expressions: the grammar of C's operators over names, registers, conditions and the
// register-indirect forms, built into the node table.
#include "clike/fatal.h"
#include "clike/parser.h"
#include "common/short_text.h"

namespace kz::clike {
namespace {

bool isHLToken(const Token& token) {
  return token.kind == TokenClass::register16 && (token.value == 38 || token.value == 70);
}
bool isDEToken(const Token& token) {
  return token.kind == TokenClass::register16 && (token.value == 36 || token.value == 68);
}
bool isPCToken(const Token& token) {
  return token.kind == TokenClass::register16 && (token.value == 130 || token.value == 66);
}
bool isWordForm(const Token& token) {
  return token.value == 66 || token.value == 68 || token.value == 70;
}

// Binding strength of a binary operator class; 0: not a binary operator.
int precedenceOf(TokenClass kind) {
  switch (kind) {
    case TokenClass::logicalOr:
      return 1;
    case TokenClass::logicalAnd:
      return 2;
    case TokenClass::bar:
      return 3;
    case TokenClass::caret:
      return 4;
    case TokenClass::ampersand:
      return 5;
    case TokenClass::equality:
      return 6;
    case TokenClass::relational:
      return 7;
    case TokenClass::shift:
      return 8;
    case TokenClass::plus:
    case TokenClass::minus:
      return 9;
    case TokenClass::star:
    case TokenClass::divideModulo:
      return 10;
    default:
      return 0;
  }
}

}  // namespace

// constant-expression: conditional-expression that folds to a number
bool Parser::constantExpression(std::int32_t& value) {
  int at = conditionalExpression();
  if (at < 0) return false;
  if (!foldConstant(nodes_, at, value)) {
    const Node& n = nodes_[at];
    if (n.kind == NodeKind::binary && (n.text == "/" || n.text == "%")) {
      std::int32_t divisor = 1;
      if (foldConstant(nodes_, n.b, divisor) && divisor == 0)
        diagnostics_.reportError(Message::divideByZero);
    }
    return false;
  }
  return true;
}

// expression: assignment-expression { "," assignment-expression }
int Parser::expression() {
  Nesting guard(*this);
  int at = assignmentExpression();
  while (at >= 0 && at_(TokenClass::comma)) {
    // A comma list is a sequence of statements here.
    take();
    int next = assignmentExpression();
    if (next < 0) return -1;
    Node sequence;
    sequence.kind = NodeKind::binary;
    sequence.opClass = TokenClass::comma;
    sequence.text = ",";
    sequence.a = at;
    sequence.b = next;
    at = node(sequence);
  }
  return at;
}

// assignment-expression: conditional-expression [ ( "=" | compound ) assignment-expression ]
int Parser::assignmentExpression() {
  Nesting guard(*this);
  int target = conditionalExpression();
  if (target < 0) return -1;
  if (at_(TokenClass::assign) || at_(TokenClass::compoundAssign)) {
    const Token& op = take();
    std::int32_t opValue = op.value;
    std::string_view opText = op.text;
    int value = assignmentExpression();
    if (value < 0) return -1;
    int at = nodes_.add();
    Node& assign = nodes_[at];
    assign.kind = NodeKind::assign;
    assign.op = opValue;
    assign.text = opText;
    assign.a = target;
    assign.b = value;
    return at;
  }
  return target;
}

// conditional-expression: binary-expression [ "?" expression ":" conditional-expression ]
int Parser::conditionalExpression() {
  Nesting guard(*this);
  int condition = binaryExpression(1);
  if (condition < 0 || !at_(TokenClass::question)) return condition;
  take();
  int yes = expression();
  if (yes < 0 || !expect(TokenClass::colon)) return -1;
  int no = conditionalExpression();
  if (no < 0) return -1;
  Node n;
  n.kind = NodeKind::conditional;
  n.a = condition;
  n.b = yes;
  n.c = no;
  return node(n);
}

// binary-expression: unary-expression { binary-operator unary-expression }, by precedence
int Parser::binaryExpression(int level) {
  Nesting guard(*this);
  int left = unaryExpression();
  while (left >= 0) {
    TokenClass kind = peek().kind;
    int precedence = precedenceOf(kind);
    if (precedence == 0 || precedence < level) break;
    const Token& op = take();
    std::int32_t opValue = op.value;
    std::string_view opText = op.text;
    int right = binaryExpression(precedence + 1);
    if (right < 0) return -1;
    int at = nodes_.add();
    Node& n = nodes_[at];
    n.kind = NodeKind::binary;
    n.opClass = kind;
    n.op = opValue;
    n.text = opText;
    n.a = left;
    n.b = right;
    left = at;
  }
  return left;
}

// The register-indirect forms after '*': HL, HL++, --HL, (HL+C), (HL+d), (HL-d), DE,
// (PC+A), and the word forms HLW, DEW, PCW.
int Parser::indirectForm() {
  Node n;
  n.kind = NodeKind::indirect;
  const Token& first = peek();
  if (isHLToken(first) || isDEToken(first)) {
    Token base = take();
    n.word = isWordForm(base);
    n.mode = isDEToken(base) ? MemoryMode::atDE : MemoryMode::atHL;
    if (!isDEToken(base) && at_(TokenClass::incrementDecrement) && peek().value == 10) {
      take();
      n.mode = MemoryMode::hlIncrement;
    }
    return node(n);
  }
  if (first.kind == TokenClass::incrementDecrement && first.value == 11 &&
      isHLToken(peekSecond())) {
    take();
    n.word = isWordForm(take());
    n.mode = MemoryMode::hlDecrement;
    return node(n);
  }
  if (first.kind == TokenClass::openParen && (isHLToken(peekSecond()) || isPCToken(peekSecond()))) {
    take();
    Token base = take();
    n.word = isWordForm(base);
    bool pc = isPCToken(base);
    if (!at_(TokenClass::plus) && !at_(TokenClass::minus)) {
      if (pc) {
        diagnostics_.reportError(Message::illegalIndexMode, base.text);
      }
      n.mode = MemoryMode::atHL;
      expect(TokenClass::closeParen);
      return node(n);
    }
    bool minus = take().kind == TokenClass::minus;
    if (pc) {
      if (minus || !(at_(TokenClass::register8) && peek().value == 16))
        diagnostics_.reportError(Message::illegalIndexMode, peek().text);
      take();
      n.mode = MemoryMode::pcPlusA;
    } else if (!minus && at_(TokenClass::register8) && peek().value == 18) {
      take();
      n.mode = MemoryMode::hlPlusC;
    } else {
      std::int32_t d = 0;
      if (!constantExpression(d)) {
        diagnostics_.reportError(Message::illegalIndexMode, base.text);
      }
      if (minus) d = -d;
      if (n.word) d *= 2;  // (HLW+d) counts words
      if (d < -128 || d > 127) {
        // The form holds one signed byte: another address is not taken in its place.
        diagnostics_.reportWarning(Message::displacementTooLarge, std::to_string(d));
        diagnostics_.reportError(Message::illegalIndexMode, base.text);
        d = 0;
      }
      n.mode = MemoryMode::hlDisplacement;
      n.displacement = d;
    }
    expect(TokenClass::closeParen);
    return node(n);
  }
  return -1;
}

// unary-expression: postfix-expression | ( "*" | "&" | "-" | "+" | "!" | "~" | "++" | "--" )
//                   unary-expression | "*" indirect-form | "sizeof" ...
int Parser::unaryExpression() {
  Nesting guard(*this);
  const Token& token = peek();
  switch (token.kind) {
    case TokenClass::star: {
      take();
      int form = indirectForm();
      if (form >= 0) return postfixTail(form);
      int operand = unaryExpression();
      if (operand < 0) return -1;
      Node n;
      n.kind = NodeKind::unary;
      n.opClass = TokenClass::star;
      n.text = "*";
      n.a = operand;
      return node(n);
    }
    case TokenClass::ampersand:
    case TokenClass::minus:
    case TokenClass::plus:
    case TokenClass::unaryOperator: {
      Token op = take();
      int operand = unaryExpression();
      if (operand < 0) return -1;
      Node n;
      n.kind = op.kind == TokenClass::ampersand ? NodeKind::address : NodeKind::unary;
      n.opClass = op.kind;
      n.op = op.value;
      n.text = op.text;
      n.a = operand;
      return node(n);
    }
    case TokenClass::incrementDecrement: {
      Token op = take();
      int operand = unaryExpression();
      if (operand < 0) return -1;
      Node n;
      n.kind = NodeKind::increment;
      n.op = op.value;
      n.text = op.text;
      n.a = operand;
      return node(n);
    }
    case TokenClass::keywordSizeof: {
      take();
      Node n;
      n.kind = NodeKind::sizeOf;
      if (at_(TokenClass::openParen) && startsTypeName(peekSecond())) {
        take();
        Specifiers s = declarationSpecifiers();
        Declarator d = declarator();
        expect(TokenClass::closeParen);
        n.value = static_cast<std::int32_t>(sizeOf(typeOf(s, d)));
        return node(n);
      }
      int operand = unaryExpression();
      if (operand < 0) return -1;
      n.value = static_cast<std::int32_t>(sizeOfNode(operand));
      return node(n);
    }
    case TokenClass::openParen:
      if (startsTypeName(peekSecond())) return castExpression();
      return postfixExpression();
    default:
      return postfixExpression();
  }
}

// A primary and its postfix steps; most primaries have none, and are answered without
// postfixTail's loop.
int Parser::postfixExpression() {
  int at = primaryExpression();
  if (at < 0) return at;
  switch (peek().kind) {
    case TokenClass::openBracket:
    case TokenClass::openParen:
    case TokenClass::member:
    case TokenClass::incrementDecrement:
      return postfixTail(at);
    default:
      return at;
  }
}

bool Parser::startsTypeName(const Token& token) const {
  return token.kind == TokenClass::typeWord || token.kind == TokenClass::structUnion ||
         (token.kind == TokenClass::identifier && token.symbol && token.symbol->typedefName);
}

// cast-expression: "(" specifiers abstract-declarator ")" unary-expression
int Parser::castExpression() {
  take();
  Specifiers s = declarationSpecifiers();
  Declarator d = declarator();
  if (d.name || d.registerName) {
    syntaxError();
    return -1;
  }
  if (!expect(TokenClass::closeParen)) return -1;
  int operand = unaryExpression();
  if (operand < 0) return -1;
  Node n;
  n.kind = NodeKind::cast;
  n.text = "cast";
  n.value = nodes_.addType(typeOf(s, d));
  n.a = operand;
  return node(n);
}

// postfix-expression: primary { "[" expression "]" | "(" arguments ")" | "." member |
//                     "." bit | "->" member | "++" | "--" }
int Parser::postfixTail(int at) {
  while (at >= 0) {
    switch (peek().kind) {
      case TokenClass::openBracket: {
        takePeeked();
        int index = expression();
        if (index < 0 || !expect(TokenClass::closeBracket)) return -1;
        int made = nodes_.add();
        Node& n = nodes_[made];
        n.kind = NodeKind::index;
        n.a = at;
        n.b = index;
        at = made;
        break;
      }
      case TokenClass::openParen: {
        takePeeked();
        Node n;
        n.kind = NodeKind::call;
        n.a = at;
        argumentList(n);
        at = node(n);
        break;
      }
      case TokenClass::member:
        at = memberTail(at);
        break;
      case TokenClass::incrementDecrement: {
        const Token& op = takePeeked();
        int made = nodes_.add();
        Node& n = nodes_[made];
        n.kind = NodeKind::increment;
        n.op = op.value;
        n.text = op.text;
        n.value = 1;  // postfix
        n.a = at;
        at = made;
        break;
      }
      default:
        return at;
    }
  }
  return at;
}

// "." member, "." bit or "->" member after the operand `at`.
int Parser::memberTail(int at) {
  Token op = take();
  Node n;
  n.a = at;
  if (isText(op.text, ".") && (at_(TokenClass::number) || at_(TokenClass::register8))) {
    Token bit = take();
    n.kind = NodeKind::bit;
    Node number;
    number.kind = bit.kind == TokenClass::number ? NodeKind::constant : NodeKind::register8;
    number.value = bit.kind == TokenClass::number ? bit.value : bit.value - 16;
    number.text = bit.text;
    n.b = node(number);
  } else if (at_(TokenClass::identifier)) {
    n.kind = NodeKind::member;
    n.value = isText(op.text, "->") ? 1 : 0;
    n.symbol = take().symbol;
  } else {
    syntaxError();
    return -1;
  }
  return node(n);
}

// arguments: [ assignment-expression { "," assignment-expression } ] ")"
void Parser::argumentList(Node& call) {
  int last = -1;
  if (accept(TokenClass::closeParen)) return;
  do {
    int argument = assignmentExpression();
    if (argument < 0) return;
    if (last < 0)
      call.first = argument;
    else
      nodes_[last].next = argument;
    last = argument;
    ++call.count;
  } while (accept(TokenClass::comma));
  expect(TokenClass::closeParen);
}

// primary: number | character | string | name | register | condition | "(" expression ")"
//        | instruction-function "(" arguments ")"
int Parser::primaryExpression() {
  Nesting guard(*this);
  TokenClass kind = peek().kind;
  if (kind == TokenClass::openParen) {
    take();
    int inner = expression();
    if (inner < 0 || !expect(TokenClass::closeParen)) return -1;
    return inner;
  }
  if (kind == TokenClass::instructionFunction) {
    Node n;
    n.text = peek().text;
    n.kind = NodeKind::instruction;
    n.op = take().value;
    if (!expect(TokenClass::openParen)) return -1;
    argumentList(n);
    return node(n);
  }
  // The token stays in its place after the take: the node is made in place from it.
  NodeKind nodeKind = NodeKind::constant;
  switch (kind) {
    case TokenClass::number:
    case TokenClass::character:
      nodeKind = NodeKind::constant;
      break;
    case TokenClass::string:
      nodeKind = NodeKind::string;
      break;
    case TokenClass::identifier:
      nodeKind = NodeKind::name;
      break;
    case TokenClass::register8:
      nodeKind = NodeKind::register8;
      break;
    case TokenClass::register16:
      nodeKind = peek().value <= 38 ? NodeKind::register16 : NodeKind::special;
      break;
    case TokenClass::condition:
      nodeKind = NodeKind::condition;
      break;
    default:
      syntaxError();
      return -1;
  }
  const Token& token = takePeeked();
  int at = nodes_.add();
  Node& n = nodes_[at];
  n.kind = nodeKind;
  n.text = token.text;
  switch (nodeKind) {
    case NodeKind::constant:
    case NodeKind::special:
    case NodeKind::condition:
      n.value = token.value;
      break;
    case NodeKind::name:
      n.symbol = token.symbol;
      if (!token.symbol->declared && !at_(TokenClass::openParen))
        reportUndefinedOnce(*token.symbol);
      break;
    case NodeKind::register8:
      n.value = token.value - 16;
      break;
    case NodeKind::register16:
      n.value = (token.value - 32) / 2;
      break;
    default:
      break;
  }
  return at;
}

std::uint32_t Parser::sizeOfNode(int at) {
  const Node& n = nodes_[at];
  switch (n.kind) {
    case NodeKind::name:
      if (n.symbol->kind == SymbolKind::structTag || n.symbol->kind == SymbolKind::unionTag)
        return n.symbol->aggregate ? n.symbol->aggregate->size : 0;
      return sizeOf(n.symbol->type);
    case NodeKind::register8:
      return 1;
    case NodeKind::register16:
      return 2;
    case NodeKind::string:
      return static_cast<std::uint32_t>(n.text.size() + 1);
    case NodeKind::indirect:
      return n.word ? 2 : 1;
    case NodeKind::cast:
      return sizeOf(nodes_.type(n.value));
    case NodeKind::index:
    case NodeKind::member:
    case NodeKind::unary: {
      // An element, a member or the object a pointer points to: the size of its type.
      if (n.kind == NodeKind::unary && n.opClass != TokenClass::star) return 2;
      ValueType object = objectTypeOf(at);
      return object.known ? object.size : 2;
    }
    default:
      return 2;
  }
}

}  // namespace kz::clike
