#include "cfront/command_line.h"

#include <array>
#include <optional>

#include "cfront/option_table.h"
#include "cfront/sections.h"

namespace kz::cfront {
namespace {

// The section kind named by the second letter of a -Z section option.
SectionKind sectionKindOfLetter(char letter) {
  switch (letter) {
    case 'T':
    case 't':
      return SectionKind::code;
    case 'D':
    case 'd':
      return SectionKind::data;
    case 'A':
    case 'a':
      return SectionKind::area;
    case 'C':
    case 'c':
      return SectionKind::constant;
    default:
      return SectionKind::io;
  }
}

bool takesNextWord(const std::string& word) {
  if (word.size() < 2 || word[0] != '-') return false;
  const OptionRow* row = matchOption(std::string_view(word).substr(1));
  return row && row->marker == ArgumentMarker::required && word.size() == row->letters.size() + 1;
}

}  // namespace

bool parseOptionNumber(std::string_view text, long& value) {
  std::size_t at = !text.empty() && text[0] == '-' ? 1 : 0;
  if (at == text.size()) return false;
  long result = 0;
  for (; at < text.size(); ++at) {
    if (text[at] < '0' || text[at] > '9') return false;
    if (result < 100000000) result = result * 10 + (text[at] - '0');
  }
  value = text[0] == '-' ? -result : result;
  return true;
}

std::string optionTextOf(const std::vector<std::string>& words) {
  std::string text;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (word.empty() || word[0] != '-' || word == "-") continue;
    if (!text.empty()) text += ' ';
    text += word;
    if (takesNextWord(word) && i + 1 < words.size()) text += ' ' + words[++i];
  }
  return text;
}

OptionScanner::OptionScanner(RunOptions& options, Diagnostics& diagnostics, OptionActions& actions)
    : options_(options), diagnostics_(diagnostics), actions_(actions) {}

void OptionScanner::scan(const std::vector<std::string>& words) {
  for (std::size_t index = 0; index < words.size(); ++index) {
    const std::string& word = words[index];
    if (word.size() >= 2 && word[0] == '-') {
      takeOption(words, index);
    } else {
      takePositional(word);
    }
  }
}

void OptionScanner::takePositional(const std::string& word) {
  if (!inputGiven_) {
    inputGiven_ = true;
    if (word != "-") options_.inputName = word;
  } else if (!options_.outputName && word != "-") {
    options_.outputName = word;
  } else {
    diagnostics_.report(Message::illegalOption, {word});
  }
}

void OptionScanner::takeOption(const std::vector<std::string>& words, std::size_t& index) {
  const std::string& word = words[index];
  std::string_view letters = std::string_view(word).substr(1);
  const OptionRow* row = matchOption(letters);
  if (!row) {
    diagnostics_.report(Message::illegalOption, {word});
    return;
  }
  std::string_view rest = letters.substr(row->letters.size());
  switch (row->marker) {
    case ArgumentMarker::none:
      apply(*row, word, {}, false);
      return;
    case ArgumentMarker::required:
      if (!rest.empty()) {
        apply(*row, word, rest, true);
      } else if (index + 1 < words.size()) {
        apply(*row, word, words[++index], true);
      } else {
        diagnostics_.report(Message::optionNeedsArgument, {word});
      }
      return;
    case ArgumentMarker::attached:
    case ArgumentMarker::rest:
      apply(*row, word, rest, !rest.empty());
      return;
    case ArgumentMarker::number: {
      long value = 0;
      if (!rest.empty() && !parseOptionNumber(rest, value)) {
        diagnostics_.report(Message::illegalOption, {word});
        return;
      }
      apply(*row, word, rest, !rest.empty());
      return;
    }
  }
}

void OptionScanner::apply(const OptionRow& row, const std::string& word, std::string_view argument,
                          bool hasArgument) {
  switch (row.id) {
    case OptionId::keepComments:
      options_.keepCommentsAsked = true;
      break;
    case OptionId::define:
      if (++defines_ > kMaxDefineOptions) {
        if (defines_ == kMaxDefineOptions + 1) diagnostics_.report(Message::tooManyDefineOptions);
      } else {
        actions_.defineMacro(argument);
      }
      break;
    case OptionId::preprocessLines:
      setPreprocessMode('E', word);
      break;
    case OptionId::errorFile:
      actions_.openErrorFile(std::string(argument));
      break;
    case OptionId::debugFull:
      options_.debugFlags |= 0x01 | 0x08;
      break;
    case OptionId::messageName:
      options_.messageName = std::string(argument);
      break;
    case OptionId::debug:
      setDebug(word, hasArgument ? argument : std::string_view{});
      break;
    case OptionId::includeDir:
      addIncludeDir(argument);
      break;
    case OptionId::kanji:
      options_.kanjiText = true;
      break;
    case OptionId::preprocessPlain:
      setPreprocessMode('P', word);
      break;
    case OptionId::undefine:
      if (++undefines_ > kMaxUndefineOptions) {
        if (undefines_ == kMaxUndefineOptions + 1)
          diagnostics_.report(Message::tooManyUndefineOptions);
      } else {
        actions_.undefineMacro(argument);
      }
      break;
    case OptionId::undefinePredefined:
      actions_.undefinePredefined();
      break;
    case OptionId::banner:
      actions_.printBanner();
      break;
    case OptionId::warnLevel:
      setWarnLevel(word, argument);
      break;
    case OptionId::ansiOn:
      options_.ansiMode = 1;
      break;
    case OptionId::builtinMake:
      options_.builtinMake |= 0x01;
      break;
    case OptionId::callCdecl:
      options_.defaultCallConv = 'c';
      break;
    case OptionId::rejected:
      diagnostics_.report(Message::illegalOption, {word});
      break;
    case OptionId::enumBySize:
      options_.enumBySize = true;
      break;
    case OptionId::ansiOff:
      options_.ansiMode = 0;
      break;
    case OptionId::smallConstants:
      options_.smallConstants = true;
      break;
    case OptionId::packing:
      setPacking(word, argument);
      break;
    case OptionId::callAdecl:
      options_.defaultCallConv = 'a';
      break;
    case OptionId::sizeLoops:
      options_.sizeLoops = true;
      break;
    case OptionId::stackCheck:
      options_.stackCheck = true;
      break;
    case OptionId::unsignedBitFields:
      options_.unsignedBitFields = true;
      break;
    case OptionId::unsignedChar:
      options_.unsignedChar = true;
      break;
    case OptionId::bitFieldRule:
      options_.bitFieldRule = true;
      break;
    case OptionId::defaultSize:
      defaultSize(word, argument);
      break;
    case OptionId::sectionName:
      sectionName(word, argument);
      break;
    case OptionId::builtinFile:
      options_.builtinFiles.emplace_back(argument);
      break;
    case OptionId::ioSection:
      options_.sections.push_back(
          {SectionKind::io, std::string(argument), std::nullopt, true, word.substr(0, 3)});
      break;
    case OptionId::displacementSize:
      displacementSize(word, argument);
      break;
    case OptionId::pointerSize:
      pointerSize(word, argument);
      break;
    case OptionId::initializerSwitch:
      options_.initializerSwitch = true;
      break;
    case OptionId::yaccDebug:
      actions_.printNote("not use -zYY, remake YYDEBUG");
      break;
    case OptionId::treeTrace2:
      options_.treeTrace = 2;
      break;
    case OptionId::treeTrace1:
      options_.treeTrace = 1;
      break;
    case OptionId::noFileLine:
      options_.noFileLineRecords = true;
      break;
    case OptionId::handover:
    case OptionId::ignoredX:
    case OptionId::ignoredZ:
    case OptionId::ignoredLowerZ:
      break;
  }
}

void OptionScanner::setPreprocessMode(char mode, const std::string& word) {
  if (options_.ppMode != 0) {
    diagnostics_.report(Message::duplicateOption, {word});
    return;
  }
  options_.ppMode = static_cast<std::uint8_t>(mode);
}

void OptionScanner::setWarnLevel(const std::string& word, std::string_view argument) {
  long level = 0;
  if (!argument.empty()) parseOptionNumber(argument, level);
  if (level < 0 || level > 3) {
    diagnostics_.report(Message::illegalOption, {word});
    return;
  }
  options_.warnLevel = static_cast<std::uint8_t>(level);
}

void OptionScanner::setDebug(const std::string& word, std::string_view argument) {
  if (argument.empty()) {
    options_.debugFlags = 7;
    return;
  }
  for (char letter : argument) {
    switch (letter) {
      case 'l':
        options_.debugFlags |= 0x01;
        break;
      case 't':
        options_.debugFlags |= 0x02;
        break;
      case 'd':
        options_.debugFlags |= 0x04;
        break;
      case 'f':
        options_.debugFlags |= 0x10;
        break;
      case 'b':
        options_.debugFlags |= 0x20;
        break;
      default:
        diagnostics_.report(Message::illegalOption, {word});
        return;
    }
  }
}

void OptionScanner::setPacking(const std::string& word, std::string_view argument) {
  if (argument.size() != 1 || (argument[0] != '1' && argument[0] != '2' && argument[0] != '4')) {
    diagnostics_.report(Message::illegalOption, {word});
    return;
  }
  options_.packAlign = options_.packAlignDefault = static_cast<std::uint8_t>(argument[0] - '0');
}

void OptionScanner::addIncludeDir(std::string_view directory) {
  if (options_.includeDirs.size() >= kMaxIncludeOptions) {
    if (!includeLimitReported_) diagnostics_.report(Message::tooManyIncludeOptions);
    includeLimitReported_ = true;
    return;
  }
  options_.includeDirs.emplace_back(directory);
}

void OptionScanner::defaultSize(const std::string& word, std::string_view argument) {
  std::optional<SizeWord> size = sizeWordOf(argument);
  if (!size) {
    diagnostics_.report(Message::illegalOption, {word.substr(0, 3)});
    return;
  }
  options_.sections.push_back(
      {sectionKindOfLetter(word[2]), std::string(), size, false, word.substr(0, 3)});
}

// -Zt name[,size] and the like.
void OptionScanner::sectionName(const std::string& word, std::string_view argument) {
  std::string_view name = argument;
  std::optional<SizeWord> size;
  if (std::size_t comma = argument.find(','); comma != std::string_view::npos) {
    name = argument.substr(0, comma);
    size = sizeWordOf(argument.substr(comma + 1));
    if (!size) {
      diagnostics_.report(Message::illegalOption, {word.substr(0, 3)});
      return;
    }
  }
  options_.sections.push_back(
      {sectionKindOfLetter(word[2]), std::string(name), size, true, word.substr(0, 3)});
}

void OptionScanner::displacementSize(const std::string& word, std::string_view argument) {
  std::optional<SizeWord> size = sizeWordOf(argument);
  if (!size) {
    diagnostics_.report(Message::illegalOption, {word.substr(0, 3) + ' ' + std::string(argument)});
    return;
  }
  if (*size != SizeWord::tiny && *size != SizeWord::near) {
    diagnostics_.report(Message::illegalDisplacementSize);
    return;
  }
  (word[2] == 'x' ? options_.displacementX : options_.displacementY) = *size;
}

void OptionScanner::pointerSize(const std::string& word, std::string_view argument) {
  std::optional<SizeWord> size = sizeWordOf(argument);
  if (!size) {
    diagnostics_.report(Message::illegalOption, {word.substr(0, 3) + ' ' + std::string(argument)});
  } else if (*size == SizeWord::far) {
    diagnostics_.report(Message::pointerSizeWarning);
  } else if (*size != SizeWord::near) {
    diagnostics_.report(Message::illegalPointerSize);
  }
}

}  // namespace kz::cfront
