#include "clike/command_line.h"

#include <cstdio>

#include "clike/fatal.h"
#include "clike/file_names.h"
#include "clike/option_table.h"
#include "common/host_path.h"

namespace kz::clike {
namespace {

constexpr std::size_t kMaxIncludeDirs = 8;
constexpr std::size_t kMaxDirectoryLength = 259;
constexpr long kMaxPageWidth = 256;
constexpr long kMaxDecimal = 0x7FFFFFFF;
// The command line with its argument file in place is kept in one buffer of this size.
constexpr std::size_t kMaxCommandLength = 32767;
constexpr char kEndOfFileMark = 26;

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isNameStart(char c) { return isLetter(c) || c == '_'; }
bool isNameChar(char c) { return isNameStart(c) || isDigit(c); }

using enum Message;

std::string readArgumentFileText(const std::string& name) {
  std::FILE* file = std::fopen(withHostSeparators(name).c_str(), "rb");
  if (!file) raiseFatal(cantOpen, name);
  std::string text;
  char buffer[16384];
  std::size_t count;
  // A file longer than the command buffer is not read to its end (it may be a device).
  while (text.size() <= kMaxCommandLength &&
         (count = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    text.append(buffer, count);
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) raiseFatal(cantOpen, name);
  if (text.size() > kMaxCommandLength) raiseFatal(commandTooLong);
  // Line ends become blanks; the end-of-file mark too, and so does a carriage return of a
  // CR LF line end.
  for (char& c : text) {
    if (c == '\n' || c == '\r' || c == kEndOfFileMark) c = ' ';
  }
  return text;
}

bool isMacroDefined(const std::vector<CommandLineMacro>& macros, const std::string& name) {
  bool defined = false;
  for (const CommandLineMacro& macro : macros) {
    if (macro.name == name) defined = macro.define;
  }
  return defined;
}

}  // namespace

std::string joinArgumentWords(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) {
    if (!text.empty()) text += ' ';
    bool blank = word.find_first_of(" \t") != std::string::npos;
    bool quote = blank && word.find_first_not_of(" \t") != std::string::npos && word.front() != '"';
    if (quote) text += '"';
    text += word;
    if (quote) text += '"';
  }
  return text;
}

CommandLine::CommandLine(RunSettings& settings, RepeatSink repeated)
    : settings_(settings), repeated_(std::move(repeated)) {}

void CommandLine::read(std::string text) {
  if (text.size() > kMaxCommandLength) raiseFatal(commandTooLong);
  text_ = std::move(text);
  at_ = 0;
  while (true) {
    skipBlanks();
    if (atEnd()) break;
    bool option = peek() == '-' && at_ + 1 < text_.size() &&
                  (isLetter(text_[at_ + 1]) || text_[at_ + 1] == '$');
    if (option)
      readOption();
    else
      readSourceName();
  }
  settings_.commandText = text_;
}

void CommandLine::skipBlanks() {
  while (!atEnd() && isBlank(text_[at_])) ++at_;
}

bool CommandLine::atOptionEnd() const { return atEnd() || isBlank(peek()) || peek() == '-'; }

void CommandLine::endOfOption() {
  if (!atOptionEnd()) fail(numberOf(unrecognizedOption));
}

std::string CommandLine::optionWord() const {
  std::size_t end = optionStart_;
  while (end < text_.size() && !isBlank(text_[end])) ++end;
  return text_.substr(optionStart_, end - optionStart_);
}

void CommandLine::fail(int number) const {
  Message message = static_cast<Message>(number);
  bool namesOption = message == unrecognizedOption || message == badParameterSyntax;
  raiseFatal(message, namesOption ? optionWord() : std::string());
}

void CommandLine::repeated() { repeated_(optionWord()); }

bool CommandLine::firstTime(std::uint8_t setting) {
  if (setting == kNotGiven) return true;
  repeated();
  return false;
}

// A file name after optional blanks, in double quotes when it holds blanks.
std::string CommandLine::fileWord() {
  skipBlanks();
  if (atEnd() || peek() == '-') fail(numberOf(parameterMissing));
  std::string word;
  if (peek() == '"') {
    std::size_t close = text_.find('"', at_ + 1);
    if (close == std::string::npos) close = text_.size();
    word = text_.substr(at_ + 1, close - at_ - 1);
    at_ = close < text_.size() ? close + 1 : close;
  } else {
    std::size_t start = at_;
    while (!atEnd() && !isBlank(peek())) ++at_;
    word = text_.substr(start, at_ - start);
  }
  if (word.empty()) fail(numberOf(parameterMissing));
  return word;
}

std::string CommandLine::macroName() {
  skipBlanks();
  if (atEnd()) fail(numberOf(parameterMissing));
  if (!isNameStart(peek())) fail(numberOf(illegalOptionCharacter));
  std::size_t start = at_;
  while (!atEnd() && isNameChar(peek())) ++at_;
  return text_.substr(start, at_ - start);
}

long CommandLine::decimal() {
  if (!isDigit(peek())) fail(numberOf(badParameterSyntax));
  long value = 0;
  while (!atEnd() && isDigit(peek())) {
    value = value * 10 + (peek() - '0');
    if (value > kMaxDecimal) value = kMaxDecimal;
    ++at_;
  }
  return value;
}

void CommandLine::readSourceName() {
  optionStart_ = at_;
  std::string name;
  if (peek() == '"') {
    name = fileWord();
  } else {
    std::size_t start = at_;
    while (!atEnd() && !isBlank(peek())) ++at_;
    name = text_.substr(start, at_ - start);
  }
  if (settings_.files.sourceName) {
    repeated_(name);
    return;
  }
  checkFileName(name);
  settings_.files.sourceName = name;
}

void CommandLine::readOption() {
  optionStart_ = at_;
  char letter = text_[at_ + 1];
  at_ += 2;
  settings_.anyOption = true;
  const OptionRow* option = findOption(letter);
  if (!option) fail(numberOf(unrecognizedOption));
  OptionSettings& o = settings_.options;
  RunFiles& files = settings_.files;
  switch (option->id) {
    case OptionId::noBanner:
    case OptionId::banner:
      if (firstTime(o.bannerLevel)) o.bannerLevel = option->id == OptionId::noBanner ? 0 : 2;
      break;
    case OptionId::define:
      readDefine();
      break;
    case OptionId::undefine:
      readUndefine();
      break;
    case OptionId::includeDir:
      readIncludeDir();
      break;
    case OptionId::messageName: {
      if (peek() != 'N') fail(numberOf(badParameterSyntax));
      ++at_;
      std::string name = fileWord();
      if (firstTime(o.messageName)) {
        o.messageName = 1;
        files.messageFileName = name;
      }
      return;
    }
    case OptionId::kanji:
      if (firstTime(o.kanji)) o.kanji = 1;
      break;
    case OptionId::modeR:
      if (peek() != 'r') fail(numberOf(unrecognizedOption));
      ++at_;
      if (firstTime(o.modeR)) o.modeR = 1;
      break;
    case OptionId::optimize:
      readOptimize();
      break;
    case OptionId::flagT:
      if (firstTime(o.flagT)) o.flagT = 0;
      break;
    case OptionId::syntaxCheck:
      if (peek() != 't') fail(numberOf(badParameterSyntax));
      ++at_;
      if (firstTime(o.keepOutput)) o.keepOutput = 0;
      break;
    case OptionId::arraySubscript:
      if (!isDigit(peek())) fail(numberOf(badParameterSyntax));
      if (firstTime(o.optA)) o.optA = static_cast<std::uint8_t>(peek() - '0');
      ++at_;
      break;
    case OptionId::errorFile: {
      std::string name = fileWord();
      checkFileName(name);
      if (firstTime(o.errorFile)) {
        o.errorFile = 1;
        files.errorFileName = name;
      }
      return;
    }
    case OptionId::argumentFile:
      readArgumentFile();
      return;
    case OptionId::debug:
      if (firstTime(o.debugInfo)) o.debugInfo = 1;
      break;
    case OptionId::listing:
      readListing();
      return;
    case OptionId::output: {
      std::string name = fileWord();
      checkFileName(name);
      if (files.outputName) {
        repeated();
        return;
      }
      files.outputName = name;
      if (o.keepOutput == kNotGiven) o.keepOutput = 1;
      return;
    }
    case OptionId::warnings:
      readWarnings();
      break;
    case OptionId::reduce:
      readReduce();
      break;
  }
  endOfOption();
}

// -D name, -D name=text: the text ends at the first blank or '-'.
void CommandLine::readDefine() {
  std::string name = macroName();
  std::string text;
  if (peek() == '=') {
    ++at_;
    std::size_t start = at_;
    while (!atEnd() && !isBlank(peek()) && peek() != '-') ++at_;
    text = text_.substr(start, at_ - start);
    if (text.empty()) fail(numberOf(parameterMissing));
  } else {
    std::size_t after = at_;
    skipBlanks();
    if (peek() == '=') fail(numberOf(parameterMissing));
    at_ = after;
  }
  endOfOption();
  if (isMacroDefined(settings_.files.macros, name)) raiseFatal(illegalOptionCharacter, name);
  settings_.files.macros.push_back({true, name, text});
}

void CommandLine::readUndefine() {
  std::string name = macroName();
  endOfOption();
  settings_.files.macros.push_back({false, name, {}});
}

void CommandLine::readIncludeDir() {
  std::string directory = fileWord();
  if (directory.size() > kMaxDirectoryLength) raiseFatal(illegalFileSpecification, directory);
  if (settings_.files.includeDirs.size() >= kMaxIncludeDirs) raiseFatal(tooManyIncludePaths);
  settings_.files.includeDirs.push_back(directory);
}

// -O, -O0: every choice off; -O with e, s, u: the named choices on, u off when not named.
void CommandLine::readOptimize() {
  OptionSettings& o = settings_.options;
  bool unit = false, e = false, s = false;
  if (peek() == '0') {
    ++at_;
  } else {
    while (!atOptionEnd()) {
      char c = peek();
      if (c == 'u')
        unit = true;
      else if (c == 'e')
        e = true;
      else if (c == 's')
        s = true;
      else
        fail(numberOf(badParameterSyntax));
      ++at_;
    }
  }
  if (!firstTime(o.optUnit)) return;
  o.optUnit = unit;
  o.optE = e;
  o.optS = s;
}

// -w alone: no warnings; digits 0-2 set the level, 3 and above level 2 with register
// warnings; r: register warnings.
void CommandLine::readWarnings() {
  OptionSettings& o = settings_.options;
  std::uint8_t level = kNotGiven, registers = kNotGiven;
  if (atOptionEnd()) level = 0;
  while (!atOptionEnd()) {
    char c = peek();
    if (isDigit(c)) {
      level = c <= '2' ? static_cast<std::uint8_t>(c - '0') : 2;
      if (c >= '3') registers = 1;
    } else if (c == 'r') {
      registers = 1;
    } else {
      fail(numberOf(badParameterSyntax));
    }
    ++at_;
  }
  if (o.warnLevel != kNotGiven || o.regWarnings != kNotGiven) {
    repeated();
    return;
  }
  o.warnLevel = level;
  o.regWarnings = registers;
}

void CommandLine::readListing() {
  OptionSettings& o = settings_.options;
  OptionSettings letters = o;  // applied only when this is the first -l
  letters.noListing = 0;
  letters.xrefLevel2 = 1;
  bool fileGiven = false;
  std::string fileName;
  while (!atOptionEnd()) {
    char c = peek();
    ++at_;
    switch (c) {
      case 'f':
        if (!isBlank(peek())) fail(numberOf(badParameterSyntax));
        fileName = fileWord();
        fileGiven = true;
        break;
      case 'h':
        letters.sourceCommentLevel = 2;
        if (isDigit(peek())) {
          letters.sourceCommentLevel = peek() <= '2' ? static_cast<std::uint8_t>(peek() - '0') : 2;
          ++at_;
        }
        break;
      case 'p':
        letters.pageLength = static_cast<std::int32_t>(decimal());
        break;
      case 's':
        letters.xrefLevel2 = 0;
        break;
      case 'w':
        letters.pageWidth = static_cast<std::int32_t>(std::min(decimal(), kMaxPageWidth));
        break;
      case 'x': {
        char digit = peek();
        if (digit < '0' || digit > '3') fail(numberOf(badParameterSyntax));
        ++at_;
        letters.xrefLevel1 = digit >= '2';
        letters.xrefLevel2 = digit >= '1';
        letters.xrefLevel3 = digit >= '3';
        break;
      }
      case 'y':
        letters.listSymbolsAll = 1;
        break;
      default:
        fail(numberOf(badParameterSyntax));
    }
    if (fileGiven) break;
  }
  if (!fileGiven) endOfOption();
  if (fileGiven && fileName != "con") checkFileName(fileName);
  if (!firstTime(o.noListing)) return;
  o = letters;
  if (fileGiven) {
    o.listToConsole = fileName == "con";
    if (fileName != "con") settings_.files.listingName = fileName;
  }
}

void CommandLine::readReduce() {
  OptionSettings& o = settings_.options;
  char c = peek();
  if (c != 'r' && c != 'u' && c != 't') fail(numberOf(badParameterSyntax));
  ++at_;
  if (c == 't') {
    if (firstTime(o.tokenDump)) o.tokenDump = 1;
    return;
  }
  if (!firstTime(o.reduceMessages)) return;
  o.reduceMessages = 1;
  if (c == 'u') o.asmToConsole = 1;
}

// The file's text takes the place of the -f option and its name; the rest of the command
// line follows it.
void CommandLine::readArgumentFile() {
  std::size_t start = optionStart_;
  if (start < insertedEnd_) raiseFatal(argumentFileNested);
  std::string name = fileWord();
  checkFileName(name);
  std::string inserted = readArgumentFileText(name);
  text_ = text_.substr(0, start) + inserted + " " + text_.substr(at_);
  if (text_.size() > kMaxCommandLength) raiseFatal(commandTooLong);
  at_ = start;
  insertedEnd_ = start + inserted.size();
}

}  // namespace kz::clike
