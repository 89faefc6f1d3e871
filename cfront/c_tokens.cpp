#include "cfront/c_tokens.h"

#include <array>

namespace kz::cfront {
namespace {

struct Word {
  std::string_view text;
  Tok kind;
};

constexpr auto kKeywords = std::to_array<Word>({
    {"auto", Tok::kwAuto},         {"break", Tok::kwBreak},
    {"case", Tok::kwCase},         {"char", Tok::kwChar},
    {"const", Tok::kwConst},       {"continue", Tok::kwContinue},
    {"default", Tok::kwDefault},   {"do", Tok::kwDo},
    {"double", Tok::kwDouble},     {"else", Tok::kwElse},
    {"enum", Tok::kwEnum},         {"extern", Tok::kwExtern},
    {"float", Tok::kwFloat},       {"for", Tok::kwFor},
    {"goto", Tok::kwGoto},         {"if", Tok::kwIf},
    {"int", Tok::kwInt},           {"long", Tok::kwLong},
    {"register", Tok::kwRegister}, {"return", Tok::kwReturn},
    {"short", Tok::kwShort},       {"signed", Tok::kwSigned},
    {"sizeof", Tok::kwSizeof},     {"static", Tok::kwStatic},
    {"struct", Tok::kwStruct},     {"switch", Tok::kwSwitch},
    {"typedef", Tok::kwTypedef},   {"union", Tok::kwUnion},
    {"unsigned", Tok::kwUnsigned}, {"void", Tok::kwVoid},
    {"volatile", Tok::kwVolatile}, {"while", Tok::kwWhile},
});

// Extended keywords, as spelled.
constexpr auto kExtendedKeywords = std::to_array<Word>({
    {"__asm", Tok::kwAsm},
    {"__ASM", Tok::kwAsm},
    {"__inline", Tok::kwInline},
    {"__io", Tok::kwIo},
    {"__adecl", Tok::kwAdecl},
    {"__cdecl", Tok::kwCdecl},
    {"__tiny", Tok::kwTiny},
    {"__near", Tok::kwNear},
    {"__far", Tok::kwFar},
    {"__compact", Tok::kwCompact},
    {"__interrupt", Tok::kwInterrupt},
    {"__interrupt_n", Tok::kwInterruptN},
    {"__regbank", Tok::kwRegbank},
    {"__regbank_n", Tok::kwRegbankN},
    {"__callv", Tok::kwCallv},
});

constexpr auto kReservedWords = std::to_array<std::string_view>(
    {"__bank", "__local", "__bsec", "__lsec", "__eit", "__ring", "__fortran", "__pascal"});

constexpr auto kRegisterWords = std::to_array<RegisterWord>({
    {"__W", SymbolKind::registerVariable, 0, false},
    {"__A", SymbolKind::registerVariable, 1, false},
    {"__B", SymbolKind::registerVariable, 2, false},
    {"__C", SymbolKind::registerVariable, 3, false},
    {"__D", SymbolKind::registerVariable, 4, false},
    {"__E", SymbolKind::registerVariable, 5, false},
    {"__H", SymbolKind::registerVariable, 6, false},
    {"__L", SymbolKind::registerVariable, 7, false},
    {"__RBS", SymbolKind::registerVariable, 8, false},
    {"__WA", SymbolKind::registerVariable, 0, true},
    {"__BC", SymbolKind::registerVariable, 1, true},
    {"__DE", SymbolKind::registerVariable, 2, true},
    {"__HL", SymbolKind::registerVariable, 3, true},
    {"__SP", SymbolKind::registerVariable, 4, true},
    {"__FP", SymbolKind::registerVariable, 5, true},
    {"__JF", SymbolKind::flagVariable, 'J', false},
    {"__ZF", SymbolKind::flagVariable, 'Z', false},
    {"__CF", SymbolKind::flagVariable, 'C', false},
    {"__HF", SymbolKind::flagVariable, 'H', false},
});

constexpr auto kPunctuators = std::to_array<Word>({
    {"[", Tok::lbracket},
    {"]", Tok::rbracket},
    {"(", Tok::lparen},
    {")", Tok::rparen},
    {"{", Tok::lbrace},
    {"}", Tok::rbrace},
    {".", Tok::dot},
    {"->", Tok::arrow},
    {"++", Tok::plusPlus},
    {"--", Tok::minusMinus},
    {"&", Tok::amp},
    {"*", Tok::star},
    {"+", Tok::plus},
    {"-", Tok::minus},
    {"~", Tok::tilde},
    {"!", Tok::bang},
    {"/", Tok::slash},
    {"%", Tok::percent},
    {"<<", Tok::shiftLeft},
    {">>", Tok::shiftRight},
    {"<", Tok::less},
    {">", Tok::greater},
    {"<=", Tok::lessEqual},
    {">=", Tok::greaterEqual},
    {"==", Tok::equalEqual},
    {"!=", Tok::notEqual},
    {"^", Tok::caret},
    {"|", Tok::pipe},
    {"&&", Tok::ampAmp},
    {"||", Tok::pipePipe},
    {"?", Tok::question},
    {":", Tok::colon},
    {";", Tok::semicolon},
    {"...", Tok::ellipsis},
    {"=", Tok::assign},
    {"*=", Tok::starAssign},
    {"/=", Tok::slashAssign},
    {"%=", Tok::percentAssign},
    {"+=", Tok::plusAssign},
    {"-=", Tok::minusAssign},
    {"<<=", Tok::shiftLeftAssign},
    {">>=", Tok::shiftRightAssign},
    {"&=", Tok::ampAssign},
    {"^=", Tok::caretAssign},
    {"|=", Tok::pipeAssign},
    {",", Tok::comma},
    {"#", Tok::hash},
    {"##", Tok::hashHash},
});

// The one-character punctuators by their character, from the table above.
struct SingleCharacterKinds {
  constexpr SingleCharacterKinds() : of{} {
    for (Tok& kind : of) kind = Tok::other;
    for (const Word& word : kPunctuators)
      if (word.text.size() == 1) of[static_cast<unsigned char>(word.text[0])] = word.kind;
  }
  Tok of[256];
};
constexpr SingleCharacterKinds kSingleCharacterKinds;

// The punctuators of two or three characters, which are few and found by their second
// character.
[[gnu::noinline]] Tok longPunctuatorKind(std::string_view text) {
  if (text.size() == 2) {
    char a = text[0];
    char b = text[1];
    if (b == '=') {
      switch (a) {
        case '<':
          return Tok::lessEqual;
        case '>':
          return Tok::greaterEqual;
        case '=':
          return Tok::equalEqual;
        case '!':
          return Tok::notEqual;
        case '*':
          return Tok::starAssign;
        case '/':
          return Tok::slashAssign;
        case '%':
          return Tok::percentAssign;
        case '+':
          return Tok::plusAssign;
        case '-':
          return Tok::minusAssign;
        case '&':
          return Tok::ampAssign;
        case '^':
          return Tok::caretAssign;
        case '|':
          return Tok::pipeAssign;
        default:
          return Tok::other;
      }
    }
    if (a == '-' && b == '>') return Tok::arrow;
    if (a == b) {
      switch (a) {
        case '+':
          return Tok::plusPlus;
        case '-':
          return Tok::minusMinus;
        case '<':
          return Tok::shiftLeft;
        case '>':
          return Tok::shiftRight;
        case '&':
          return Tok::ampAmp;
        case '|':
          return Tok::pipePipe;
        case '#':
          return Tok::hashHash;
        default:
          return Tok::other;
      }
    }
    return Tok::other;
  }
  if (text == "...") return Tok::ellipsis;
  if (text == "<<=") return Tok::shiftLeftAssign;
  if (text == ">>=") return Tok::shiftRightAssign;
  return Tok::other;
}

// The fields of a parser's token that are the preprocessor's token's.
void startFrom(const Token& token, CToken& result) {
  result.text = token.text;
  result.spot = {token.line, token.column};
  result.id = nullptr;
}

}  // namespace

// A table for the one-character punctuators, the commonest.
Tok punctuatorKind(std::string_view text) {
  if (text.size() == 1) return kSingleCharacterKinds.of[static_cast<unsigned char>(text[0])];
  return longPunctuatorKind(text);
}

std::span<const RegisterWord> registerWords() { return kRegisterWords; }

std::string_view spellingOf(Tok kind) {
  for (const Word& word : kKeywords)
    if (word.kind == kind) return word.text;
  for (const Word& word : kPunctuators)
    if (word.kind == kind) return word.text;
  return {};
}

TokenReader::TokenReader(Preprocessor& preprocessor, Diagnostics& diagnostics,
                         const RunOptions& options)
    : preprocessor_(preprocessor), diagnostics_(diagnostics), options_(options) {
  preprocessor_.setDropNewlines(true);
  for (const Word& word : kKeywords)
    identifiers_.intern(word.text)->keyword = static_cast<std::uint8_t>(word.kind);
  if (options_.ansiMode != 0) return;
  for (const Word& word : kExtendedKeywords)
    identifiers_.intern(word.text)->keyword = static_cast<std::uint8_t>(word.kind);
  for (const RegisterWord& word : kRegisterWords)
    identifiers_.intern(word.name)->keyword = static_cast<std::uint8_t>(Tok::registerWord);
  for (std::string_view word : kReservedWords) identifiers_.intern(word)->reserved = true;
}

// The token is read into a local, not token_, so that the fields the parser has no use for
// are not stored.
void TokenReader::fill(CToken& result) {
  Token token;
  if (!preprocessor_.nextPlain(token)) return fillInGeneral(result);
  startFrom(token, result);
  switch (token.kind) {
    case TokenKind::identifier:
      return classifyIdentifier(result);
    case TokenKind::number:
      result.kind = Tok::number;
      return;
    case TokenKind::punctuator:
      result.kind = punctuatorKind(token.text);
      return;
    default:
      token_ = token;
      return fillFromRead(result);
  }
}

void TokenReader::fillInGeneral(CToken& result) {
  preprocessor_.next(token_);
  fillFromRead(result);
}

void TokenReader::fillFromRead(CToken& result) {
  for (;; preprocessor_.next(token_)) {
    startFrom(token_, result);
    switch (token_.kind) {
      case TokenKind::newline:
      case TokenKind::comment:
      case TokenKind::directiveLine:
      case TokenKind::placemarker:
      case TokenKind::endOfList:
        continue;
      case TokenKind::endOfFile:
        result.kind = Tok::end;
        break;
      case TokenKind::identifier:
        classifyIdentifier(result);
        break;
      case TokenKind::number:
        result.kind = Tok::number;
        break;
      case TokenKind::character:
        result.kind = Tok::character;
        break;
      case TokenKind::string:
        result.kind = Tok::string;
        break;
      case TokenKind::punctuator:
        result.kind = punctuatorKind(token_.text);
        break;
      case TokenKind::other:
        // Reported here and dropped, so the parse goes on as if it were not there.
        diagnostics_.report(
            Message::illegalCharacter,
            {static_cast<unsigned>(static_cast<unsigned char>(token_.text[0])), token_.column});
        continue;
    }
    return;
  }
}

void TokenReader::classifyIdentifier(CToken& token) {
  if (token.text.size() > 31) {
    token.text = token.text.substr(0, 31);
    diagnostics_.report(Message::identifierTruncated, {token.text});
  }
  Identifier* id = identifiers_.intern(token.text);
  token.id = id;
  if (id->keyword) {
    token.kind = static_cast<Tok>(id->keyword);
    return;
  }
  if (id->reserved) diagnostics_.report(Message::unsupportedKeyword, {token.text.substr(2)});
  token.kind = Tok::identifier;
}

}  // namespace kz::cfront
