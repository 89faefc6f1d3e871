#include "clike/diagnostics.h"

#include <limits>

#include "clike/fatal.h"

namespace kz::clike {
namespace {

constexpr int kFirstLineError = 200;
constexpr int kLastLineError = 319;
constexpr int kFirstLineWarning = 500;
constexpr int kLastLineWarning = 539;
constexpr int kFirstListedFatal = 120;
constexpr int kMaxErrorsPerLineReduced = 2;
constexpr int kLowestLevel1Warning = 521;
constexpr const char* kTerminated = "CLZEL Terminated\n";

std::string quoted(std::string_view text) {
  std::string result = " \"";
  result += text;
  result += '"';
  return result;
}

}  // namespace

Diagnostics::Diagnostics(const RunSettings& settings, Console console)
    : settings_(settings), console_(console) {}

void Diagnostics::beginLine(const std::string* fileName, long line) {
  fileName_ = fileName;
  line_ = line;
  lineSeen_ = true;
  errorsShown_.reset();
  warningsShown_.reset();
  errorsOnLine_ = 0;
  lastErrorOnLine_ = 0;
  lastRegisterWarning_ = 0;
  lastRegisterText_.clear();
}

std::string Diagnostics::position() const {
  const std::string& name = settings_.options.messageName == 1 ? settings_.files.messageFileName
                            : fileName_                        ? *fileName_
                                                               : std::string();
  return name + " " + std::to_string(line_);
}

void Diagnostics::firstMessage() {
  if (!beforeFirstMessage_) return;
  auto hook = std::move(beforeFirstMessage_);
  beforeFirstMessage_ = nullptr;
  hook();
}

void Diagnostics::count(std::uint16_t& counter) {
  if (counter < std::numeric_limits<std::uint16_t>::max()) ++counter;
}

void Diagnostics::emit(std::string_view line, bool toStandardError) {
  if (toStandardError) {
    std::fflush(console_.out);
    std::fwrite(line.data(), 1, line.size(), console_.err);
  }
  if (listing_) listing_->messageLine(line);
  if (errorFile_) std::fwrite(line.data(), 1, line.size(), errorFile_);
}

void Diagnostics::reportUndefinedLabel(std::string_view sourcePath, std::string_view name) {
  std::string line(sourcePath);
  line += " : Undefined label : \"";
  line += name;
  line += "\"\n";
  bool listingOnConsole = settings_.listingOn() && settings_.options.listToConsole == 1;
  if (!listingOnConsole) {
    firstMessage();
    std::fflush(console_.out);
    std::fwrite(line.data(), 1, line.size(), console_.err);
  }
  if (errorFile_) std::fwrite(line.data(), 1, line.size(), errorFile_);
  count(errors_);
}

void Diagnostics::reportFatal(Message message, std::string_view text) {
  raiseFatal(message, std::string(text));
}

void Diagnostics::reportError(Message message, std::string_view text) {
  emitError(numberOf(message), messageText(message), text);
}

void Diagnostics::emitError(int number, std::string_view text, std::string_view argument) {
  if (settings_.options.reduceMessages == 1) {
    if (errorsOnLine_ >= kMaxErrorsPerLineReduced || number == lastErrorOnLine_) return;
    if (number == numberOf(Message::syntaxError) && errorsOnLine_ > 0) return;
  }
  if (number >= kFirstLineError && number <= kLastLineError) {
    std::size_t bit = static_cast<std::size_t>(number - kFirstLineError);
    if (errorsShown_[bit]) return;
    errorsShown_[bit] = true;
  }
  firstMessage();
  std::string line = position() + " : CLZEL-Error-" + std::to_string(number) + ": ";
  line += text;
  if (!argument.empty()) line += quoted(argument);
  line += '\n';
  emit(line, true);
  count(errors_);
  ++errorsOnLine_;
  lastErrorOnLine_ = number;
}

void Diagnostics::reportWarning(Message message, std::string_view text) {
  int number = numberOf(message);
  const OptionSettings& o = settings_.options;
  bool lineBit = number >= kFirstLineWarning && number <= kLastLineWarning;
  std::size_t bit = lineBit ? static_cast<std::size_t>(number - kFirstLineWarning) : 0;
  if (isRegisterWarning(message)) {
    if (o.regWarnings != 1) return;
    if (o.reduceMessages == 1 && errorsOnLine_ > 0) return;
    if (!text.empty()) {
      if (number == lastRegisterWarning_ && text == lastRegisterText_) return;
    } else if (warningsShown_[bit]) {
      return;
    }
  } else {
    if (lineBit && warningsShown_[bit]) return;
    if (o.warnLevel == 0 || (o.warnLevel == 1 && number < kLowestLevel1Warning)) return;
  }
  if (lineBit) warningsShown_[bit] = true;
  firstMessage();
  std::string line = position() + " : CLZEL-Warning-" + std::to_string(number) + ": ";
  line += messageText(message);
  if (!text.empty()) line += quoted(text);
  line += '\n';
  // Register warnings 501..509 are shown in the listing and the error file only.
  emit(line, number >= 510);
  if (isRegisterWarning(message)) {
    lastRegisterWarning_ = number;
    lastRegisterText_ = text;
    count(registerWarnings_);
  } else {
    count(warnings_);
  }
}

void Diagnostics::reportSyntax(std::string_view parserText, std::string_view tokenText) {
  if (++syntaxRun_ > kSyntaxRunLimit) reportFatal(Message::unrecoverableError);
  if (syntaxRun_ == 1) emitError(numberOf(Message::syntaxError), parserText, tokenText);
}

void Diagnostics::reportCommandLineWarning(std::string_view optionWord) {
  firstMessage();
  std::fprintf(console_.out, "CLZEL-Warning-%d : %s \"%.*s\"\n",
               numberOf(Message::optionAlreadySpecified),
               std::string(messageText(Message::optionAlreadySpecified)).c_str(),
               static_cast<int>(optionWord.size()), optionWord.data());
}

void Diagnostics::printFatal(const FatalError& fatal) {
  firstMessage();
  Message message = static_cast<Message>(fatal.number());
  std::string line = "CLZEL-Fatal-" + std::to_string(fatal.number()) + ": ";
  if (message == Message::filesAreTheSame) {
    line += "\"" + fatal.argument() + "\" ";
    line += messageText(message);
  } else {
    line += messageText(message);
    if (!fatal.argument().empty()) line += quoted(fatal.argument());
  }
  if (lineSeen_) line = position() + " : " + line;
  line += '\n';
  std::fflush(console_.out);
  std::fputs(line.c_str(), console_.err);
  if (fatal.number() < kFirstListedFatal) {
    std::fputs(kTerminated, console_.err);
  } else {
    std::string withEnd = line + kTerminated;
    if (listing_) listing_->messageLine(withEnd);
    if (errorFile_) std::fputs(withEnd.c_str(), errorFile_);
  }
  std::fflush(console_.err);
}

}  // namespace kz::clike
