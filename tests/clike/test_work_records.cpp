// Work file 1 read back as it was written: records of every size, across the blocks in
// which they are gathered and read, and code captured for later (nested captures included)
// reaching the file in the order it is replayed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "clike/code_emitter.h"
#include "clike/work_records.h"

namespace kz::clike {
namespace {

using Records = std::vector<std::pair<RecordKind, std::string>>;

class WorkRecords : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kzclwrXXXXXX";
    directory_ = ::mkdtemp(pattern);
    ASSERT_TRUE(file_.create(directory_.string() + "/", "TP"));
  }
  void TearDown() override {
    file_.remove();
    std::filesystem::remove_all(directory_);
  }

  Records readBack() {
    EXPECT_TRUE(file_.closeForWriting());
    EXPECT_TRUE(file_.openForReading());
    Records records;
    RecordReader reader(file_);
    RecordKind kind;
    std::string_view payload;
    while (reader.next(kind, payload)) records.emplace_back(kind, std::string(payload));
    return records;
  }

  std::filesystem::path directory_;
  DiskWorkFile file_;
};

TEST_F(WorkRecords, EverySizeComesBackWholeAcrossTheBlocks) {
  // Lengths around the varint steps and the 64 KiB blocks, with small records between
  // them so that heads and payloads fall across block ends.
  const std::vector<std::size_t> sizes{0,     1,     7,     8,     16,     17, 127,   128, 16383,
                                       16384, 65535, 65536, 65537, 200000, 3,  70000, 0,   12};
  Records written;
  RecordWriter writer(file_);
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    std::string payload(sizes[i], static_cast<char>('a' + i));
    if (!payload.empty()) payload.back() = '#';
    auto kind = static_cast<RecordKind>(1 + i % 12);
    ASSERT_TRUE(writer.write(kind, payload));
    written.emplace_back(kind, payload);
    for (int j = 0; j < 700; ++j) {
      std::string small = std::to_string(i * 1000 + static_cast<std::size_t>(j));
      ASSERT_TRUE(writer.write(RecordKind::codeLine, small));
      written.emplace_back(RecordKind::codeLine, small);
    }
  }
  EXPECT_EQ(readBack(), written);
}

TEST_F(WorkRecords, ARecordCutShortEndsTheReading) {
  RecordWriter writer(file_);
  ASSERT_TRUE(writer.write(RecordKind::label, "__0001"));
  const char head[] = {static_cast<char>(RecordKind::codeLine), 20, 'x'};  // 20 bytes said
  ASSERT_TRUE(file_.write(head, sizeof head));
  EXPECT_EQ(readBack(), (Records{{RecordKind::label, "__0001"}}));
}

// The last line of a captured body can be dropped (a break that ends the last case) also
// when it came from a capture replayed into it.
TEST_F(WorkRecords, CapturedCodeIsWrittenWhereItIsReplayed) {
  RecordWriter writer(file_);
  EmitterChoices choices;
  choices.holdBack = false;
  CodeEmitter emitter(writer, choices, {}, [] { FAIL() << "write failed"; });
  emitter.beginCapture();
  emitter.codeLine("\tinc\ta");
  emitter.beginCapture();
  emitter.codeLine("\tj\t__0002");
  CodeEmitter::Captured inner = emitter.endCapture();
  std::string_view last;
  ASSERT_TRUE(inner.lastCodeLine(last));
  EXPECT_EQ(last, "\tj\t__0002");
  emitter.replay(std::move(inner));
  CodeEmitter::Captured outer = emitter.endCapture();
  ASSERT_TRUE(outer.lastCodeLine(last));
  EXPECT_EQ(last, "\tj\t__0002");
  outer.dropLast();
  EXPECT_FALSE(outer.lastCodeLine(last));
  emitter.codeLine("\tnop");
  emitter.replay(std::move(outer));
  // The buffer given back serves the next capture, empty.
  emitter.beginCapture();
  EXPECT_TRUE(emitter.endCapture().empty());
  emitter.label("__0002");
  Records records = readBack();
  Records code;
  for (const auto& record : records) {
    if (record.first != RecordKind::sourceLine) code.push_back(record);
  }
  EXPECT_EQ(code, (Records{{RecordKind::codeLine, "\tnop"},
                           {RecordKind::codeLine, "\tinc\ta"},
                           {RecordKind::label, "__0002"}}));
}

}  // namespace
}  // namespace kz::clike
