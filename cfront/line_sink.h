#pragma once
// Where intermediate-file records go: the output file, or a stream held back and copied into
// place later. Writers format whole records and hand them over with their newline.
#include <string>
#include <string_view>

namespace kz::cfront {

class LineSink {
 public:
  virtual ~LineSink() = default;
  virtual void write(std::string_view text) = 0;
};

// Drops the records, for runs that only want the messages.
class DiscardSink : public LineSink {
 public:
  void write(std::string_view) override {}
};

// Collects records in memory, for tests and for output held back.
class StringSink : public LineSink {
 public:
  void write(std::string_view text) override { text_.append(text); }
  const std::string& text() const { return text_; }
  void clear() { text_.clear(); }

 private:
  std::string text_;
};

}  // namespace kz::cfront
