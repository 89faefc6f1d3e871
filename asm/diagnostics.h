#pragma once
// The run's diagnostics: messages of pass 1 and of the sizing passes are recorded in work
// files and shown after their line in the final pass; final-pass messages are kept for the
// current line. Every shown message goes to the listing, the error file and standard error.
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "asm/listing_sink.h"
#include "asm/reporter.h"
#include "asm/run_options.h"
#include "common/work_file.h"

namespace kz::assembler {

enum class PassKind { pass1, sizing, final };

struct MessageRecord {
  int number = 0;
  std::string text;  // formatted
  int fileIndex = 0;
  long line = 0;
};

class Diagnostics final : public Reporter {
 public:
  using FileNameLookup = std::function<std::string(int fileIndex)>;

  Diagnostics(const RunOptions& options, std::string workDirectory, std::FILE* standardOutput,
              std::FILE* standardError);
  ~Diagnostics() override;

  void setFileNameLookup(FileNameLookup lookup) { fileNameOf_ = std::move(lookup); }
  void setListing(ListingSink* listing) { listing_ = listing; }
  void setErrorFile(std::FILE* errorFile) { errorFile_ = errorFile; }

  // repetition counts sizing passes from 1.
  void setPass(PassKind pass, int repetition = 0);

  void reportError(Message message, std::string_view argument = {}) override;
  void reportWarning(Message message, std::string_view argument = {}) override;
  // A warning of the command line (519): line 0, shown with the first listed line.
  void reportCommandLineWarning(Message message, std::string_view argument);
  // A warning of an option line (515) of the main source.
  void reportOptionLineWarning(Message message, long line);

  // Shows every message recorded for this line; called after each listed line.
  void flushMessages(int fileIndex, long line);
  // Shows what is still recorded (messages of lines that were never listed).
  void flushRemaining();

  void printMessage(int number, const std::string& text, int fileIndex, long line);

  int errorCount() const { return errorCount_; }
  int warningCount() const { return warningCount_; }

  // Closes and removes the message files. Returns false when a close failed.
  bool closeMessageFiles();

 private:
  struct MessageFile {
    std::unique_ptr<WorkFile> file;
    const char* prefix;
    const char* failureName;
    std::string readBuffer;
    std::size_t readPosition = 0;
    bool readEnded = false;
    bool reading = false;
    std::optional<MessageRecord> lookahead;
  };

  bool warningDropped(int number) const;
  void record(int number, std::string_view argument, int fileIndex, long line);
  void appendRecord(MessageFile& target, int number, const std::string& text, int fileIndex,
                    long line);
  std::optional<MessageRecord> readRecord(MessageFile& source);
  void startReading(MessageFile& source);
  void flushFile(MessageFile& source, int fileIndex, long line, bool takeCommandLineWarnings);
  std::string displayName(int fileIndex) const;

  const RunOptions& options_;
  std::string workDirectory_;
  std::FILE* standardOutput_;
  std::FILE* standardError_;
  FileNameLookup fileNameOf_;
  ListingSink* listing_ = nullptr;
  std::FILE* errorFile_ = nullptr;

  PassKind pass_ = PassKind::pass1;
  int repetition_ = 0;
  MessageFile pass1File_{nullptr, "TR", "temporary file(err1)", {}, 0, false, false, std::nullopt};
  MessageFile sizingFile_{nullptr, "TQ", "temporary file(err2)", {}, 0, false, false, std::nullopt};
  std::vector<MessageRecord> finalPassMessages_;
  // Sizing repetitions meet the same problem again: each distinct record is kept once.
  std::unordered_set<std::string> sizingRecords_;
  // Messages of the current line already shown from the pass-1 file; the final pass finds
  // the same problems again and does not show them twice.
  std::vector<std::pair<int, std::string>> shownFromPass1_;
  bool commandLineWarningsPending_ = false;
  int errorCount_ = 0;
  int warningCount_ = 0;
};

}  // namespace kz::assembler
