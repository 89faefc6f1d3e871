#include "link/link_script.h"

#include <algorithm>
#include <cctype>

namespace kz::link {
namespace {

// A word of a statement, and whether it was quoted (a quoted word is always a name).
struct Word {
  std::string text;
  bool quoted = false;
};

std::string upper(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return result;
}

// Words split at blanks and commas; "=" stands alone; "..." keeps blanks.
std::optional<std::vector<Word>> splitWords(std::string_view line, std::string& problem) {
  std::vector<Word> words;
  std::size_t at = 0;
  while (at < line.size()) {
    char c = line[at];
    if (c == '#' || c == ';') break;
    if (c == ' ' || c == '\t' || c == ',' || c == '\r') {
      ++at;
      continue;
    }
    if (c == '=') {
      words.push_back({std::string(1, c), false});
      ++at;
      continue;
    }
    if (c == '"') {
      std::size_t close = line.find('"', at + 1);
      if (close == std::string_view::npos) {
        problem = "a quoted name is not closed";
        return std::nullopt;
      }
      words.push_back({std::string(line.substr(at + 1, close - at - 1)), true});
      at = close + 1;
      continue;
    }
    std::size_t end = at;
    while (end < line.size() &&
           std::string_view(" \t,=#;\r\"").find(line[end]) == std::string_view::npos)
      ++end;
    words.push_back({std::string(line.substr(at, end - at)), false});
    at = end;
  }
  return words;
}

struct KindName {
  std::string_view word;
  object::SectionKind kind;
};

constexpr KindName kKindNames[] = {
    {"CODE", object::SectionKind::code},
    {"DATA", object::SectionKind::data},
    {"ROMDATA", object::SectionKind::romData},
};

class ScriptParser {
 public:
  ScriptParser(const std::string& file, LinkScript& script, Diagnostics& diagnostics)
      : file_(file), script_(script), diagnostics_(diagnostics) {}

  void parseLine(std::string_view line, std::size_t number);

 private:
  using Statement = void (ScriptParser::*)();
  struct Keyword {
    std::string_view word;
    Statement parse;
  };

  void region();
  void place();
  void start();
  void define();
  void vectorTable();
  void callPage();
  void input();
  void library();

  bool atEnd() const { return next_ >= words_.size(); }
  const Word* peek() const { return atEnd() ? nullptr : &words_[next_]; }
  bool takeKeyword(std::string_view keyword);
  std::optional<std::string> name(std::string_view what);
  std::optional<std::uint64_t> number(std::string_view what);
  std::optional<PlacementTarget> target();
  bool expectEnd();
  void fail(const std::string& problem);

  static constexpr Keyword kKeywords[] = {
      {"REGION", &ScriptParser::region},     {"PLACE", &ScriptParser::place},
      {"START", &ScriptParser::start},       {"DEFINE", &ScriptParser::define},
      {"CALLV", &ScriptParser::vectorTable}, {"CALLP", &ScriptParser::callPage},
      {"INPUT", &ScriptParser::input},       {"LIBRARY", &ScriptParser::library},
  };

  const std::string& file_;
  LinkScript& script_;
  Diagnostics& diagnostics_;
  std::vector<Word> words_;
  std::size_t next_ = 0;
  std::size_t line_ = 0;
  bool failed_ = false;
};

void ScriptParser::fail(const std::string& problem) {
  if (failed_) return;
  failed_ = true;
  diagnostics_.report(Message::commandSyntax, problem, file_, line_);
}

bool ScriptParser::takeKeyword(std::string_view keyword) {
  const Word* word = peek();
  if (word == nullptr || word->quoted || upper(word->text) != keyword) return false;
  ++next_;
  return true;
}

std::optional<std::string> ScriptParser::name(std::string_view what) {
  const Word* word = peek();
  if (word == nullptr || word->text.empty() ||
      (!word->quoted && (word->text == "=" || word->text == "+" || word->text == "-"))) {
    fail(std::string(what) + " expected");
    return std::nullopt;
  }
  ++next_;
  return word->text;
}

std::optional<std::uint64_t> ScriptParser::number(std::string_view what) {
  const Word* word = peek();
  std::optional<std::uint64_t> value;
  if (word != nullptr && !word->quoted) value = parseNumber(word->text);
  if (!value) {
    fail(std::string(what) + " expected" + (word ? ", found '" + word->text + "'" : ""));
    return std::nullopt;
  }
  ++next_;
  return value;
}

bool ScriptParser::expectEnd() {
  if (atEnd()) return true;
  fail("unexpected '" + words_[next_].text + "' at the end of the statement");
  return false;
}

// target: CODE | DATA | ROMDATA | section-name | "section-name"
std::optional<PlacementTarget> ScriptParser::target() {
  const Word* word = peek();
  if (word == nullptr) {
    fail("a section name or kind expected");
    return std::nullopt;
  }
  if (!word->quoted) {
    for (const KindName& kind : kKindNames) {
      if (word->text == kind.word) {
        ++next_;
        return PlacementTarget{true, {}, kind.kind};
      }
    }
  }
  auto section = name("a section name");
  if (!section) return std::nullopt;
  return PlacementTarget{false, *section, object::SectionKind::code};
}

void ScriptParser::parseLine(std::string_view line, std::size_t number) {
  line_ = number;
  failed_ = false;
  next_ = 0;
  std::string problem;
  auto words = splitWords(line, problem);
  if (!words) {
    fail(problem);
    return;
  }
  words_ = std::move(*words);
  if (words_.empty()) return;
  for (const Keyword& keyword : kKeywords) {
    if (takeKeyword(keyword.word)) {
      (this->*keyword.parse)();
      return;
    }
  }
  fail("unknown statement '" + words_[0].text + "'");
}

// REGION name start end ROM|RAM
void ScriptParser::region() {
  Region entry;
  auto regionName = name("a region name");
  auto start = regionName ? number("the region's start address") : std::nullopt;
  auto end = start ? number("the region's end address") : std::nullopt;
  if (!end) return;
  if (takeKeyword("ROM")) {
    entry.kind = RegionKind::rom;
  } else if (takeKeyword("RAM")) {
    entry.kind = RegionKind::ram;
  } else {
    fail("ROM or RAM expected after the region's addresses");
    return;
  }
  if (!expectEnd()) return;
  if (*end < *start || *end > 0xFFFFFF) {
    diagnostics_.report(Message::badRegion,
                        *regionName + ": its end lies below its start or beyond 0xFFFFFF", file_,
                        line_);
    return;
  }
  entry.name = *regionName;
  entry.start = *start;
  entry.end = *end;
  entry.file = file_;
  entry.line = line_;
  script_.regions.push_back(std::move(entry));
}

// PLACE target {, target} (IN region | AT address) [ALIGN n]
void ScriptParser::place() {
  Placement entry;
  entry.file = file_;
  entry.line = line_;
  while (true) {
    auto next = target();
    if (!next) return;
    entry.targets.push_back(*next);
    const Word* word = peek();
    if (word == nullptr) {
      fail("IN or AT expected after the sections");
      return;
    }
    if (!word->quoted && (upper(word->text) == "IN" || upper(word->text) == "AT")) break;
  }
  if (takeKeyword("IN")) {
    entry.region = name("a region name");
    if (!entry.region) return;
  } else if (takeKeyword("AT")) {
    entry.address = number("an address");
    if (!entry.address) return;
    if (std::any_of(entry.targets.begin(), entry.targets.end(),
                    [](const PlacementTarget& t) { return t.byKind; })) {
      fail("AT takes sections by name, not a kind");
      return;
    }
  }
  if (takeKeyword("ALIGN")) {
    auto alignment = number("an alignment");
    if (!alignment) return;
    if (*alignment == 0 || (*alignment & (*alignment - 1)) != 0 || *alignment > 0x10000) {
      fail("the alignment must be a power of two up to 65536");
      return;
    }
    entry.alignment = *alignment;
  }
  if (!expectEnd()) return;
  script_.placements.push_back(std::move(entry));
}

// START symbol
void ScriptParser::start() {
  auto symbol = name("a symbol name");
  if (!symbol || !expectEnd()) return;
  script_.startSymbol = *symbol;
  script_.startFile = file_;
  script_.startLine = line_;
}

// DEFINE name = number | symbol [(+|-) number]
void ScriptParser::define() {
  SymbolDefinition entry;
  auto symbol = name("a symbol name");
  if (!symbol) return;
  const Word* equals = peek();
  if (equals == nullptr || equals->quoted || equals->text != "=") {
    fail("'=' expected after the symbol name");
    return;
  }
  ++next_;
  const Word* value = peek();
  if (value == nullptr) {
    fail("a value expected");
    return;
  }
  if (!value->quoted && parseNumber(value->text)) {
    entry.offset = static_cast<std::int64_t>(*number("a value"));
  } else {
    entry.symbol = name("a value");
    if (!entry.symbol) return;
    const Word* sign = peek();
    if (sign != nullptr && !sign->quoted && (sign->text == "+" || sign->text == "-")) {
      ++next_;
      auto offset = number("an offset");
      if (!offset) return;
      entry.offset = sign->text == "+" ? static_cast<std::int64_t>(*offset)
                                       : -static_cast<std::int64_t>(*offset);
    }
  }
  if (!expectEnd()) return;
  entry.name = *symbol;
  entry.file = file_;
  entry.line = line_;
  script_.definitions.push_back(std::move(entry));
}

// CALLV section: the section holds the vector table at FFC0.
void ScriptParser::vectorTable() {
  auto section = name("a section name");
  if (!section || !expectEnd()) return;
  Placement entry;
  entry.targets.push_back({false, *section, object::SectionKind::code});
  entry.address = kCallvTable;
  entry.purpose = PlacementPurpose::vectorTable;
  entry.file = file_;
  entry.line = line_;
  script_.placements.push_back(std::move(entry));
}

// CALLP section {, section}: the sections go into the CALLP page FF00..FFBF.
void ScriptParser::callPage() {
  Placement entry;
  entry.file = file_;
  entry.line = line_;
  while (!atEnd()) {
    auto section = name("a section name");
    if (!section) return;
    entry.targets.push_back({false, *section, object::SectionKind::code});
  }
  if (entry.targets.empty()) {
    fail("a section name expected");
    return;
  }
  entry.purpose = PlacementPurpose::callPage;
  script_.placements.push_back(std::move(entry));
}

void ScriptParser::input() {
  if (atEnd()) fail("a file name expected");
  while (!atEnd()) script_.inputs.push_back(words_[next_++].text);
}

void ScriptParser::library() {
  if (atEnd()) fail("a library name expected");
  while (!atEnd()) script_.libraries.push_back(words_[next_++].text);
}

}  // namespace

std::string PlacementTarget::text() const {
  return byKind ? std::string(object::sectionKindName(kind)) : name;
}

const Region* LinkScript::findRegion(std::string_view name) const {
  for (const Region& region : regions) {
    if (region.name == name) return &region;
  }
  return nullptr;
}

std::optional<std::uint64_t> parseNumber(std::string_view text) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  } else if (text.size() > 1 && (text.back() == 'h' || text.back() == 'H')) {
    base = 16;
    text.remove_suffix(1);
  }
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    int digit = std::isdigit(static_cast<unsigned char>(c))    ? c - '0'
                : std::isxdigit(static_cast<unsigned char>(c)) ? std::tolower(c) - 'a' + 10
                                                               : 99;
    if (digit >= base) return std::nullopt;
    if (value > (UINT64_MAX - static_cast<unsigned>(digit)) / static_cast<unsigned>(base))
      return std::nullopt;
    value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
  }
  return value;
}

void parseLinkScript(std::string_view text, const std::string& file, LinkScript& script,
                     Diagnostics& diagnostics) {
  ScriptParser parser(file, script, diagnostics);
  std::size_t number = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    parser.parseLine(text.substr(at, end - at), ++number);
    at = end + 1;
  }
}

void checkLinkScript(LinkScript& script, Diagnostics& diagnostics) {
  std::vector<const Region*> byStart;
  for (std::size_t i = 0; i < script.regions.size(); ++i) {
    const Region& region = script.regions[i];
    for (std::size_t j = 0; j < i; ++j) {
      if (script.regions[j].name == region.name)
        diagnostics.report(Message::badRegion, region.name + " is defined twice", region.file,
                           region.line);
    }
    byStart.push_back(&region);
  }
  std::sort(byStart.begin(), byStart.end(),
            [](const Region* a, const Region* b) { return a->start < b->start; });
  for (std::size_t i = 1; i < byStart.size(); ++i) {
    if (byStart[i]->start <= byStart[i - 1]->end)
      diagnostics.report(Message::regionsOverlap, byStart[i - 1]->name + " and " + byStart[i]->name,
                         byStart[i]->file, byStart[i]->line);
  }
  for (Placement& placement : script.placements) {
    if (placement.region && script.findRegion(*placement.region) == nullptr)
      diagnostics.report(Message::unknownRegion, *placement.region, placement.file, placement.line);
  }
}

}  // namespace kz::link
