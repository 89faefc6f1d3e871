#include "asm/diagnostics.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>

#include "asm/messages.h"

namespace kz::assembler {
namespace {

constexpr std::array kQuietWarnings{Message::valueOutOfRange, Message::invalidDirective,
                                    Message::ignoredExterns, Message::differentAttribute,
                                    Message::floatingTypeMismatch};
constexpr std::size_t kReadChunk = 16384;

std::string recordPrefix(int fileIndex, long line, int number) {
  char prefix[64];
  std::snprintf(prefix, sizeof prefix, "%02d%05ld%04d", fileIndex, line, number);
  return prefix;
}

// "%02d%05ld%04d" then the text. A line number of more than five digits widens its field;
// since no message text begins with a digit, the last four digits of the leading run are
// always the message number.
std::optional<MessageRecord> parseRecord(std::string_view text) {
  std::size_t digits = 0;
  while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) ++digits;
  if (digits < 11) return std::nullopt;
  auto number = [&](std::size_t from, std::size_t count) {
    long value = 0;
    for (std::size_t i = from; i < from + count; ++i) value = value * 10 + (text[i] - '0');
    return value;
  };
  MessageRecord record;
  record.fileIndex = static_cast<int>(number(0, 2));
  record.line = number(2, digits - 6);
  record.number = static_cast<int>(number(digits - 4, 4));
  record.text = std::string(text.substr(digits));
  return record;
}

}  // namespace

Diagnostics::Diagnostics(const RunOptions& options, std::string workDirectory,
                         std::FILE* standardOutput, std::FILE* standardError)
    : options_(options),
      workDirectory_(std::move(workDirectory)),
      standardOutput_(standardOutput),
      standardError_(standardError) {}

Diagnostics::~Diagnostics() { closeMessageFiles(); }

void Diagnostics::setPass(PassKind pass, int repetition) {
  pass_ = pass;
  repetition_ = repetition;
}

bool Diagnostics::warningDropped(int number) const {
  if (options_.suppressWarnings) return true;
  if (!options_.quietWarnings) return false;
  for (Message quiet : kQuietWarnings) {
    if (messageNumber(quiet) == number) return true;
  }
  return false;
}

void Diagnostics::reportError(Message message, std::string_view argument) {
  if (pass_ == PassKind::pass1 && message == Message::typeMismatch) {
    if (statementHasTypeError_) return;
    statementHasTypeError_ = true;
  }
  if (pass_ == PassKind::sizing && statementHasError()) return;
  markStatementError();
  record(messageNumber(message), argument, fileIndex(), line());
}

void Diagnostics::reportWarning(Message message, std::string_view argument) {
  int number = messageNumber(message);
  if (warningDropped(number)) return;
  if (pass_ == PassKind::sizing && repetition_ != 1 && message != Message::optimizationsLost)
    return;
  record(number, argument, fileIndex(), line());
}

void Diagnostics::reportCommandLineWarning(Message message, std::string_view argument) {
  int number = messageNumber(message);
  if (warningDropped(number)) return;
  appendRecord(pass1File_, number, formatMessage(number, argument), 0, 0);
  commandLineWarningsPending_ = true;
}

void Diagnostics::reportOptionLineWarning(Message message, long line) {
  int number = messageNumber(message);
  if (warningDropped(number)) return;
  appendRecord(pass1File_, number, formatMessage(number, {}), 0, line);
}

void Diagnostics::record(int number, std::string_view argument, int fileIndex, long line) {
  std::string text = formatMessage(number, argument);
  switch (pass_) {
    case PassKind::pass1:
      appendRecord(pass1File_, number, text, fileIndex, line);
      break;
    case PassKind::sizing:
      if (sizingRecords_.insert(recordPrefix(fileIndex, line, number) + text).second) {
        appendRecord(sizingFile_, number, text, fileIndex, line);
      }
      break;
    case PassKind::final:
      finalPassMessages_.push_back({number, std::move(text), fileIndex, line});
      break;
  }
}

void Diagnostics::appendRecord(MessageFile& target, int number, const std::string& text,
                               int fileIndex, long line) {
  if (!target.file) {
    target.file = createDiskWorkFile(workDirectory_, target.prefix);
    if (!target.file) fatal(Message::cantOpen, target.failureName);
  }
  std::string recordText = recordPrefix(fileIndex, line, number) + text + "\n";
  if (!target.file->write(recordText.data(), recordText.size()))
    fatal(Message::cantWrite, target.failureName);
}

void Diagnostics::startReading(MessageFile& source) {
  if (!source.file->seek(0)) fatal(Message::cantSeek, source.failureName);
  source.readBuffer.clear();
  source.readPosition = 0;
  source.readEnded = false;
  source.reading = true;
}

std::optional<MessageRecord> Diagnostics::readRecord(MessageFile& source) {
  while (true) {
    std::size_t end = source.readBuffer.find('\n', source.readPosition);
    if (end != std::string::npos) {
      std::string_view line(source.readBuffer.data() + source.readPosition,
                            end - source.readPosition);
      source.readPosition = end + 1;
      if (auto parsed = parseRecord(line)) return parsed;
      fatal(Message::illegalTemporaryFile);
    }
    if (source.readEnded) return std::nullopt;
    source.readBuffer.erase(0, source.readPosition);
    source.readPosition = 0;
    char chunk[kReadChunk];
    std::size_t count = source.file->read(chunk, sizeof chunk);
    if (source.file->failed()) fatal(Message::cantRead, source.failureName);
    if (count == 0) source.readEnded = true;
    source.readBuffer.append(chunk, count);
  }
}

void Diagnostics::flushFile(MessageFile& source, int fileIndex, long line,
                            bool takeCommandLineWarnings) {
  if (!source.file) return;
  if (!source.reading) startReading(source);
  while (true) {
    if (!source.lookahead) source.lookahead = readRecord(source);
    if (!source.lookahead) return;
    const MessageRecord& next = *source.lookahead;
    bool sameLine = next.fileIndex == fileIndex && next.line == line;
    bool commandLine = takeCommandLineWarnings && next.line == 0;
    if (!sameLine && !commandLine) return;
    printMessage(next.number, next.text, next.fileIndex, next.line);
    if (&source == &pass1File_) shownFromPass1_.emplace_back(next.number, next.text);
    source.lookahead.reset();
  }
}

void Diagnostics::flushMessages(int fileIndex, long line) {
  // The usual case, a run without a message: nothing recorded, nothing to show.
  if (!pass1File_.file && !sizingFile_.file && finalPassMessages_.empty()) {
    commandLineWarningsPending_ = false;
    return;
  }
  shownFromPass1_.clear();
  flushFile(pass1File_, fileIndex, line, commandLineWarningsPending_);
  commandLineWarningsPending_ = false;
  flushFile(sizingFile_, fileIndex, line, false);
  for (const MessageRecord& message : finalPassMessages_) {
    auto same = std::find(shownFromPass1_.begin(), shownFromPass1_.end(),
                          std::make_pair(message.number, message.text));
    if (same != shownFromPass1_.end() && message.fileIndex == fileIndex && message.line == line) {
      shownFromPass1_.erase(same);
      continue;
    }
    printMessage(message.number, message.text, message.fileIndex, message.line);
  }
  finalPassMessages_.clear();
}

void Diagnostics::flushRemaining() {
  for (MessageFile* source : {&pass1File_, &sizingFile_}) {
    if (!source->file) continue;
    if (!source->reading) startReading(*source);
    while (true) {
      if (!source->lookahead) source->lookahead = readRecord(*source);
      if (!source->lookahead) break;
      printMessage(source->lookahead->number, source->lookahead->text, source->lookahead->fileIndex,
                   source->lookahead->line);
      source->lookahead.reset();
    }
  }
  commandLineWarningsPending_ = false;
  for (const MessageRecord& message : finalPassMessages_) {
    printMessage(message.number, message.text, message.fileIndex, message.line);
  }
  finalPassMessages_.clear();
}

std::string Diagnostics::displayName(int fileIndex) const {
  if (options_.messageName) return *options_.messageName;
  if (fileNameOf_) return fileNameOf_(fileIndex);
  return options_.sourceFileName;
}

void Diagnostics::printMessage(int number, const std::string& text, int fileIndex, long line) {
  bool isError = number < 500;
  if (isError)
    ++errorCount_;
  else
    ++warningCount_;
  std::string prefix =
      line != 0 ? displayName(fileIndex) + " " + std::to_string(line) + " : " : std::string();
  char body[64];
  std::snprintf(body, sizeof body, "ASMZEL-%s-%3d : ", isError ? "Error" : "Warning", number);
  std::string message = prefix + body + text;
  if (listing_) listing_->writeMessageLine(message);
  if (errorFile_) {
    std::fputs(message.c_str(), errorFile_);
    std::fputs("\r\n", errorFile_);
  }
  std::fflush(standardOutput_);
  std::fputs(message.c_str(), standardError_);
  std::fputc('\n', standardError_);
}

bool Diagnostics::closeMessageFiles() {
  bool closed = true;
  for (MessageFile* source : {&pass1File_, &sizingFile_}) {
    if (!source->file) continue;
    closed = source->file->discard() && closed;
    source->file.reset();
  }
  return closed;
}

}  // namespace kz::assembler
