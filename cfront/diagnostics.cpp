#include "cfront/diagnostics.h"

#include <cstdio>
#include <vector>

#include "cfront/fatal.h"

namespace kz::cfront {
namespace {

struct Conversion {
  std::string flags;  // the text between '%' and the letter, e.g. "31.31" or ".0"
  char letter = 0;
};

// Reads one conversion at format[at] (just after '%'); moves at past it.
Conversion readConversion(std::string_view format, std::size_t& at) {
  Conversion conversion;
  while (at < format.size() && (format[at] == '.' || (format[at] >= '0' && format[at] <= '9'))) {
    conversion.flags += format[at++];
  }
  if (at < format.size()) conversion.letter = format[at++];
  return conversion;
}

std::string formatText(const Conversion& conversion, std::string_view text) {
  std::size_t dot = conversion.flags.find('.');
  std::size_t width = 0;
  std::size_t precision = text.size();
  if (!conversion.flags.empty()) {
    width = dot == 0 ? 0 : std::stoul(conversion.flags.substr(0, dot));
    if (dot != std::string::npos && dot + 1 < conversion.flags.size())
      precision = std::stoul(conversion.flags.substr(dot + 1));
  }
  std::string result(text.substr(0, std::min(precision, text.size())));
  if (result.size() < width) result.insert(0, width - result.size(), ' ');
  return result;
}

std::string formatOne(const Conversion& conversion, const MessageArgument* argument) {
  char buffer[64];
  long long number = argument && argument->isNumber ? argument->number : 0;
  switch (conversion.letter) {
    case 's':
      return formatText(conversion, argument ? argument->text : std::string_view{});
    case 'u':
      std::snprintf(buffer, sizeof buffer, "%llu", static_cast<unsigned long long>(number));
      break;
    case 'd':
      std::snprintf(buffer, sizeof buffer, "%lld", number);
      break;
    case 'x':
      std::snprintf(buffer, sizeof buffer, "%llx", static_cast<unsigned long long>(number));
      break;
    case 'c':
      return std::string(1, static_cast<char>(number));
    case 'f': {
      double value =
          argument ? (argument->isReal ? argument->real : static_cast<double>(number)) : 0;
      std::snprintf(buffer, sizeof buffer, "%.0f", value);
      break;
    }
    default:
      return std::string("%") + conversion.flags + conversion.letter;
  }
  return buffer;
}

}  // namespace

std::string formatMessage(std::string_view format, std::initializer_list<MessageArgument> args) {
  std::string result;
  const MessageArgument* next = args.begin();
  for (std::size_t at = 0; at < format.size();) {
    char c = format[at++];
    if (c != '%') {
      result += c;
      continue;
    }
    if (at < format.size() && format[at] == '%') {
      result += '%';
      ++at;
      continue;
    }
    Conversion conversion = readConversion(format, at);
    result += formatOne(conversion, next != args.end() ? next : nullptr);
    if (next != args.end()) ++next;
  }
  return result;
}

Diagnostics::Diagnostics(const RunOptions& options, std::FILE* console)
    : options_(options), console_(console) {}

void Diagnostics::report(Message message, std::initializer_list<MessageArgument> args) {
  reportNumber(numberOf(message), args);
}

void Diagnostics::reportAtLine(unsigned line, Message message,
                               std::initializer_list<MessageArgument> args) {
  struct Restore {
    unsigned& saved;
    ~Restore() { saved = 0; }
  } restore{lineOverride_};
  lineOverride_ = line;
  report(message, args);
}

void Diagnostics::warnAt(int level, Message message, std::initializer_list<MessageArgument> args) {
  if (options_.warnLevel >= level) report(message, args);
}

void Diagnostics::reportNumber(int number, std::initializer_list<MessageArgument> args) {
  MessageClass messageClass = messageClassOf(number);
  if (messageClass == MessageClass::warning && options_.warnLevel == 0) return;
  const MessageRow* row = findMessageRow(number);
  if (!row) {
    number = numberOf(Message::unknownErrorNumber);
    messageClass = MessageClass::compilerError;
    print(number, messageClass, formatMessage(findMessageRow(number)->text, {number}));
  } else {
    print(number, messageClass, formatMessage(row->text, args));
  }
  switch (messageClass) {
    case MessageClass::fatal:
    case MessageClass::compilerError:
      throw RunAborted(number);
    case MessageClass::error:
      if (++errorCount_ >= kErrorLimit) report(Message::tooManyErrors);
      break;
    case MessageClass::warning:
      ++warningCount_;
      break;
  }
}

void Diagnostics::print(int number, MessageClass messageClass, const std::string& text) {
  std::string line;
  SourcePosition position = positionSource_ ? positionSource_() : SourcePosition{};
  if (lineOverride_ != 0) position.line = lineOverride_;
  const std::string* name = position.fileName;
  if (position.includeDepth == 0 && options_.messageName && name) name = &*options_.messageName;
  if (name && !name->empty()) line = *name + ' ' + std::to_string(position.line) + ": ";
  line += "ZC1-";
  line += classWord(messageClass);
  line += '-' + std::to_string(number) + ": " + text + '\n';
  write(line);
}

void Diagnostics::write(const std::string& line) {
  for (std::FILE* stream : {console_, errorFile_}) {
    if (!stream) continue;
    if (std::fwrite(line.data(), 1, line.size(), stream) != line.size() || std::fflush(stream) != 0)
      writesSucceeded_ = false;
  }
}

}  // namespace kz::cfront
