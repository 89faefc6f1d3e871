#include "cfront/c_tokens.h"

#include <array>
#include <string>
#include <vector>

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

// Extended keywords, without their leading "__".
constexpr auto kExtendedKeywords = std::to_array<Word>({
    {"asm", Tok::kwAsm},
    {"ASM", Tok::kwAsm},
    {"inline", Tok::kwInline},
    {"io", Tok::kwIo},
    {"adecl", Tok::kwAdecl},
    {"cdecl", Tok::kwCdecl},
    {"tiny", Tok::kwTiny},
    {"near", Tok::kwNear},
    {"far", Tok::kwFar},
    {"compact", Tok::kwCompact},
    {"interrupt", Tok::kwInterrupt},
    {"interrupt_n", Tok::kwInterruptN},
    {"regbank", Tok::kwRegbank},
    {"regbank_n", Tok::kwRegbankN},
    {"callv", Tok::kwCallv},
});

constexpr auto kReservedWords = std::to_array<std::string_view>(
    {"bank", "local", "bsec", "lsec", "eit", "ring", "fortran", "pascal"});

constexpr auto kRegisterWords = std::to_array<RegisterWord>({
    {"W", SymbolKind::registerVariable, 0, false},   {"A", SymbolKind::registerVariable, 1, false},
    {"B", SymbolKind::registerVariable, 2, false},   {"C", SymbolKind::registerVariable, 3, false},
    {"D", SymbolKind::registerVariable, 4, false},   {"E", SymbolKind::registerVariable, 5, false},
    {"H", SymbolKind::registerVariable, 6, false},   {"L", SymbolKind::registerVariable, 7, false},
    {"RBS", SymbolKind::registerVariable, 8, false}, {"WA", SymbolKind::registerVariable, 0, true},
    {"BC", SymbolKind::registerVariable, 1, true},   {"DE", SymbolKind::registerVariable, 2, true},
    {"HL", SymbolKind::registerVariable, 3, true},   {"SP", SymbolKind::registerVariable, 4, true},
    {"FP", SymbolKind::registerVariable, 5, true},   {"JF", SymbolKind::flagVariable, 'J', false},
    {"ZF", SymbolKind::flagVariable, 'Z', false},    {"CF", SymbolKind::flagVariable, 'C', false},
    {"HF", SymbolKind::flagVariable, 'H', false},
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

// Keywords are found through a small table indexed by length and two characters; each slot
// holds the few words that share the index.
class WordTable {
 public:
  template <std::size_t N>
  explicit WordTable(const std::array<Word, N>& words) {
    for (const Word& word : words) slots_[indexOf(word.text)].push_back(word);
  }
  const Word* find(std::string_view text) const {
    for (const Word& word : slots_[indexOf(text)])
      if (word.text == text) return &word;
    return nullptr;
  }

 private:
  static std::size_t indexOf(std::string_view text) {
    auto c = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    return (c(0) * 7 + c(text.size() - 1) * 3 + text.size()) & 255;
  }
  std::array<std::vector<Word>, 256> slots_;
};

const WordTable& keywordTable() {
  static const WordTable table(kKeywords);
  return table;
}
const WordTable& extendedTable() {
  static const WordTable table(kExtendedKeywords);
  return table;
}

// A table by first character for the one-character punctuators; the longer ones are few
// and found by their second character.
Tok punctuatorKind(std::string_view text) {
  if (text.size() == 1) {
    switch (text[0]) {
      case '[':
        return Tok::lbracket;
      case ']':
        return Tok::rbracket;
      case '(':
        return Tok::lparen;
      case ')':
        return Tok::rparen;
      case '{':
        return Tok::lbrace;
      case '}':
        return Tok::rbrace;
      case '.':
        return Tok::dot;
      case '&':
        return Tok::amp;
      case '*':
        return Tok::star;
      case '+':
        return Tok::plus;
      case '-':
        return Tok::minus;
      case '~':
        return Tok::tilde;
      case '!':
        return Tok::bang;
      case '/':
        return Tok::slash;
      case '%':
        return Tok::percent;
      case '<':
        return Tok::less;
      case '>':
        return Tok::greater;
      case '^':
        return Tok::caret;
      case '|':
        return Tok::pipe;
      case '?':
        return Tok::question;
      case ':':
        return Tok::colon;
      case ';':
        return Tok::semicolon;
      case '=':
        return Tok::assign;
      case ',':
        return Tok::comma;
      case '#':
        return Tok::hash;
      default:
        return Tok::other;
    }
  }
  for (const Word& word : kPunctuators)
    if (word.text == text) return word.kind;
  return Tok::other;
}

bool isLower(char c) { return c >= 'a' && c <= 'z'; }

}  // namespace

const RegisterWord* findRegisterWord(std::string_view name) {
  for (const RegisterWord& word : kRegisterWords)
    if (word.name == name) return &word;
  return nullptr;
}

std::string_view spellingOf(Tok kind) {
  for (const Word& word : kKeywords)
    if (word.kind == kind) return word.text;
  for (const Word& word : kPunctuators)
    if (word.kind == kind) return word.text;
  return {};
}

TokenReader::TokenReader(Preprocessor& preprocessor, Diagnostics& diagnostics,
                         const RunOptions& options)
    : preprocessor_(preprocessor), diagnostics_(diagnostics), options_(options) {}

const CToken& TokenReader::ahead(std::size_t n) {
  while (buffered_ <= n) buffer_[buffered_++] = read();
  return buffer_[n];
}

CToken TokenReader::take() {
  ahead(0);
  CToken token = buffer_[0];
  buffer_[0] = buffer_[1];
  --buffered_;
  return token;
}

bool TokenReader::accept(Tok kind) {
  if (peek().kind != kind) return false;
  take();
  return true;
}

CToken TokenReader::read() {
  for (;;) {
    Token token = preprocessor_.next();
    CToken result;
    result.text = token.text;
    result.spot = {token.line, token.column};
    switch (token.kind) {
      case TokenKind::newline:
      case TokenKind::comment:
      case TokenKind::directiveLine:
      case TokenKind::placemarker:
      case TokenKind::endOfList:
        continue;
      case TokenKind::endOfFile:
        result.kind = Tok::end;
        return result;
      case TokenKind::identifier:
        result.kind = classifyIdentifier(result.text);
        return result;
      case TokenKind::number:
        result.kind = Tok::number;
        return result;
      case TokenKind::character:
        result.kind = Tok::character;
        return result;
      case TokenKind::string:
        result.kind = Tok::string;
        return result;
      case TokenKind::punctuator:
        result.kind = punctuatorKind(token.text);
        return result;
      case TokenKind::other:
        result.kind = Tok::other;
        return result;
    }
  }
}

Tok TokenReader::classifyIdentifier(std::string_view& text) {
  if (text.size() >= 2 && isLower(text[0]) && isLower(text[1])) {
    if (const Word* word = keywordTable().find(text)) return word->kind;
  } else if (text.size() > 2 && text[0] == '_' && text[1] == '_' && options_.ansiMode == 0) {
    std::string_view rest = text.substr(2);
    if (const Word* word = extendedTable().find(rest)) return word->kind;
    if (findRegisterWord(rest)) return Tok::registerWord;
    for (std::string_view reserved : kReservedWords)
      if (reserved == rest) diagnostics_.report(Message::unsupportedKeyword, {rest});
  }
  if (text.size() > 31) {
    text = text.substr(0, 31);
    diagnostics_.report(Message::identifierTruncated, {text});
  }
  return Tok::identifier;
}

}  // namespace kz::cfront
