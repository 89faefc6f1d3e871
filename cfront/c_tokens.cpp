#include "cfront/c_tokens.h"

#include <array>
#include <string>
#include <unordered_map>

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

template <std::size_t N>
std::unordered_map<std::string_view, Tok> mapOf(const std::array<Word, N>& words) {
  std::unordered_map<std::string_view, Tok> map;
  for (const Word& word : words) map.emplace(word.text, word.kind);
  return map;
}

const std::unordered_map<std::string_view, Tok>& keywordMap() {
  static const auto map = mapOf(kKeywords);
  return map;
}
const std::unordered_map<std::string_view, Tok>& extendedMap() {
  static const auto map = mapOf(kExtendedKeywords);
  return map;
}

Tok punctuatorKind(std::string_view text) {
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
    auto found = keywordMap().find(text);
    if (found != keywordMap().end()) return found->second;
  } else if (text.size() > 2 && text[0] == '_' && text[1] == '_' && options_.ansiMode == 0) {
    std::string_view rest = text.substr(2);
    auto found = extendedMap().find(rest);
    if (found != extendedMap().end()) return found->second;
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
