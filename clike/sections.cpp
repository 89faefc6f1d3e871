// The section statement, the section-type pragma and the section table.
#include <cstdio>

#include "clike/parser.h"

namespace kz::clike {
namespace {

constexpr std::string_view kStartAddress = "start address";

// The section type of a type word or section class word, if it is one.
std::optional<SectionType> sectionTypeOf(const Token& token) {
  if (token.kind != TokenClass::typeWord && token.kind != TokenClass::sectionClass)
    return std::nullopt;
  switch (token.value) {
    case 48:
      return SectionType::io;
    case 49:
      return SectionType::area;
    case 50:
      return SectionType::data;
    case 6:
      return token.kind == TokenClass::typeWord ? std::optional(SectionType::constant)
                                                : std::nullopt;
    case 52:
      return SectionType::code;
    default:
      return std::nullopt;
  }
}

std::string_view typeWord(SectionType type) {
  switch (type) {
    case SectionType::io:
      return "io";
    case SectionType::area:
      return "area";
    case SectionType::data:
      return "data";
    case SectionType::constant:
      return "const";
    case SectionType::code:
      return "code";
  }
  return "data";
}

SizeAttribute defaultAttribute(SectionType type) {
  return type == SectionType::io ? SizeAttribute::tiny : SizeAttribute::near;
}

SizeAttribute attributeOf(const Token& token) {
  return token.value == 17   ? SizeAttribute::tiny
         : token.value == 19 ? SizeAttribute::far
                             : SizeAttribute::near;
}

// The attribute words a section type refuses, as message 410 names them; empty: allowed.
std::string_view refusedAttribute(SectionType type, SizeAttribute attribute) {
  switch (type) {
    case SectionType::io:
      return attribute != SizeAttribute::tiny ? "near/far" : "";
    case SectionType::area:
    case SectionType::data:
      return attribute == SizeAttribute::far ? "far" : "";
    case SectionType::constant:
    case SectionType::code:
      return attribute != SizeAttribute::near ? "tiny/far" : "";
  }
  return {};
}

}  // namespace

std::string Parser::defaultSectionName(SectionType type, bool absolute) {
  if (!absolute) return std::string(typeWord(type));
  char text[64];
  std::snprintf(text, sizeof text, "%s_%02d", ("_" + moduleName_).c_str(), sectionCount_ % 100);
  return text;
}

void Parser::enterSection(Section section, bool fromPragma) {
  (void)fromPragma;
  SymbolEntry* name = section.name;
  if (name->declared && name->kind != SymbolKind::section) {
    diagnostics_.reportError(Message::symbolAlreadyDefined, name->name);
  } else if (name->kind == SymbolKind::section) {
    for (const Section& old : sections_) {
      if (old.name == name && (old.type != section.type || old.absolute != section.absolute ||
                               old.attribute != section.attribute)) {
        diagnostics_.reportError(Message::symbolAlreadyDefined, name->name);
        break;
      }
    }
  }
  name->kind = SymbolKind::section;
  name->declared = true;
  name->defined = true;
  name->definedLine = last_.line;
  sections_.push_back(section);
  current_ = static_cast<int>(sections_.size() - 1);
  ++sectionCount_;
  SectionRecord record;
  record.type = static_cast<std::uint8_t>(section.type);
  record.attribute = static_cast<std::uint8_t>(section.attribute);
  record.absolute = section.absolute ? 1 : 0;
  record.address = section.address;
  emitter_.section(record, name->name);
}

// section-statement:
//   "section" [ name ] section-type [ attribute ] [ "rel" | "abs" ] [ [ "=" ] address ] ";"
void Parser::sectionStatement() {
  Token keyword = take();
  // A module opens its sections one way only.
  if (sectionPragmas_) diagnostics_.reportError(Message::syntaxError, keyword.text);
  sectionStatements_ = true;
  Section section;
  SymbolEntry* name = nullptr;
  if (at(TokenClass::identifier)) name = take().symbol;
  std::optional<SectionType> type = sectionTypeOf(peek());
  if (!type) {
    syntaxError();
    return;
  }
  take();
  section.type = *type;
  section.attribute = defaultAttribute(*type);
  if (at(TokenClass::sectionAttribute)) {
    Token word = take();
    SizeAttribute attribute = attributeOf(word);
    if (!refusedAttribute(*type, attribute).empty()) {
      diagnostics_.reportError(Message::invalidSectionAttribute, word.text);
    } else {
      section.attribute = attribute;
    }
  }
  bool placementGiven = at(TokenClass::placement);
  if (placementGiven) section.absolute = take().value == 64;
  bool addressGiven = false;
  std::int32_t address = 0;
  bool constant = true;
  if (accept(TokenClass::assign) || (!at(TokenClass::semicolon) && !at(TokenClass::endOfInput))) {
    addressGiven = true;
    constant = constantExpression(address);
  }
  if (!expect(TokenClass::semicolon)) return;
  std::uint32_t top = section.attribute == SizeAttribute::tiny ? 0xFF : 0xFFFF;
  if (section.absolute) {
    if (!addressGiven || !constant) {
      diagnostics_.reportError(Message::absoluteExpressionExpected, kStartAddress);
    } else if (address < 0 || static_cast<std::uint32_t>(address) > top) {
      diagnostics_.reportError(Message::invalidLocationCounter, kStartAddress);
    } else {
      section.address = static_cast<std::uint32_t>(address);
    }
  } else if (addressGiven) {
    diagnostics_.reportError(Message::addressNotAllowed, kStartAddress);
  }
  if (!name) {
    std::string text = defaultSectionName(section.type, section.absolute);
    name = &preprocessor_.intern(text, last_.line, last_.depth);
  }
  section.name = name;
  enterSection(section, false);
}

// section-pragma:
//   "#pragma" "section" [ name ] section-type [ attribute ] [ "rel" | "abs" [ "=" ] address ]
void Parser::sectionPragma() {
  take();                  // pragma
  Token keyword = take();  // section
  if (sectionStatements_) diagnostics_.reportError(Message::preprocessorSyntaxError, keyword.text);
  sectionPragmas_ = true;
  std::vector<Token> words;
  while (!at(TokenClass::endOfDirective) && !at(TokenClass::endOfInput)) words.push_back(take());
  accept(TokenClass::endOfDirective);
  std::size_t at = 0;
  Section section;
  SymbolEntry* name = nullptr;
  auto typeAt = [&](std::size_t i) { return i < words.size() && sectionTypeOf(words[i]); };
  if (at < words.size() && words[at].kind == TokenClass::identifier &&
      (typeAt(at + 1) || (at + 1 < words.size() && words[at + 1].kind == TokenClass::identifier)))
    name = words[at++].symbol;
  std::optional<SectionType> type = at < words.size() ? sectionTypeOf(words[at]) : std::nullopt;
  if (type) {
    ++at;
  } else {
    diagnostics_.reportError(Message::invalidSectionType, "section_type");
    type = SectionType::data;
    if (at < words.size() && words[at].kind == TokenClass::identifier) ++at;
  }
  section.type = *type;
  section.attribute = defaultAttribute(*type);
  if (at < words.size() && words[at].kind == TokenClass::sectionAttribute) {
    SizeAttribute attribute = attributeOf(words[at++]);
    std::string_view refused = refusedAttribute(*type, attribute);
    if (!refused.empty()) {
      diagnostics_.reportError(Message::invalidPragmaSectionAttribute, refused);
    } else {
      section.attribute = attribute;
    }
  }
  if (at < words.size() && words[at].kind == TokenClass::placement)
    section.absolute = words[at++].value == 64;
  if (at < words.size() && words[at].kind == TokenClass::assign) ++at;
  if (section.absolute) {
    std::uint32_t top = section.attribute == SizeAttribute::tiny ? 0xFF : 0xFFFF;
    bool valid = at + 1 == words.size() && words[at].kind == TokenClass::number &&
                 words[at].value >= 0 && static_cast<std::uint32_t>(words[at].value) <= top;
    if (valid) {
      section.address = static_cast<std::uint32_t>(words[at].value);
    } else {
      diagnostics_.reportError(Message::invalidSectionAddress);
      section.address = 0;
    }
    at = words.size();
  }
  if (at < words.size()) diagnostics_.reportError(Message::preprocessorSyntaxError, words[at].text);
  if (!name) {
    std::string text = defaultSectionName(section.type, section.absolute);
    name = &preprocessor_.intern(text, keyword.line, keyword.depth);
  }
  section.name = name;
  enterSection(section, true);
}

}  // namespace kz::clike
