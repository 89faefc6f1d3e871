// Work file 1 holds the body text: code captured for later (nested captures included)
// reaches it in the order it is replayed, records of every size come back whole from a
// capture, and the output stage copies the whole file behind a header, whichever way the
// output was opened.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "clike/body_text.h"
#include "clike/code_emitter.h"
#include "tests/common/captured_stream.h"

namespace kz::clike {
namespace {

class WorkRecords : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kzclwrXXXXXX";
    directory_ = ::mkdtemp(pattern);
    ASSERT_TRUE(file_.create(directory_.string() + "/", "TP"));
    options_.sourceCommentLevel = 0;
    options_.debugInfo = 0;
  }
  void TearDown() override {
    file_.remove();
    std::filesystem::remove_all(directory_);
  }

  std::string readBack() {
    EXPECT_TRUE(file_.closeForWriting());
    EXPECT_TRUE(file_.openForReading());
    kz::testing::CapturedStream out;
    EXPECT_TRUE(file_.copyTo(out.stream()));
    return out.text();
  }

  // Writes a header, the work file and a trailer to a file opened with `mode`.
  std::string copiedBehindHeader(const char* mode) {
    EXPECT_TRUE(file_.closeForWriting());
    EXPECT_TRUE(file_.openForReading());
    std::filesystem::path path = directory_ / "out.asm";
    std::FILE* out = std::fopen(path.c_str(), mode);
    std::fputs("\tmodule\tprog\n", out);
    EXPECT_TRUE(file_.copyTo(out));
    std::fputs("\tend\n", out);
    std::fclose(out);
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  std::filesystem::path directory_;
  DiskWorkFile file_;
  OptionSettings options_;
};

// The last line of a captured body can be dropped (a break that ends the last case) also
// when it came from a capture replayed into it.
TEST_F(WorkRecords, CapturedCodeIsWrittenWhereItIsReplayed) {
  BodyText body(options_, file_);
  EmitterChoices choices;
  choices.holdBack = false;
  CodeEmitter emitter(body, choices, [] { FAIL() << "write failed"; });
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
  EXPECT_EQ(readBack(), "\tnop\n\tinc\ta\n__0002:\n");
}

TEST_F(WorkRecords, CapturedRecordsOfEverySizeComeBackWhole) {
  // Lengths around the steps of the encoded length and the work file's gathering block.
  const std::vector<std::size_t> sizes{0,     1,     127,   128,    16383, 16384,
                                       65535, 65536, 65537, 200000, 3};
  BodyText body(options_, file_);
  CodeEmitter emitter(body, EmitterChoices{}, [] { FAIL() << "write failed"; });
  std::string expected;
  emitter.beginCapture();
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    std::string text(sizes[i], static_cast<char>('a' + i));
    if (!text.empty()) text.back() = '\n';
    emitter.asmText(text);
    expected += text;
    emitter.codeLine("\tnop");
    expected += "\tnop\n";
  }
  emitter.replay(emitter.endCapture());
  emitter.flush();
  EXPECT_EQ(readBack(), expected);
}

// Lines are held in slots with room for short lines; a longer one (long names) is held
// whole as well, and a load repeated at once is dropped whatever the length.
TEST_F(WorkRecords, HeldLinesOfEveryLengthComeBackWhole) {
  BodyText body(options_, file_);
  CodeEmitter emitter(body, EmitterChoices{}, [] { FAIL() << "write failed"; });
  const std::string name(120, 'n');
  const Operand hl = register16Operand(3);
  const Operand address = symbolicImmediate("_" + name);
  emitter.instruction("ld", hl, address);
  emitter.instruction("ld", hl, address);  // repeated: dropped
  emitter.instruction("ld", hl, symbolicImmediate("_x"));
  emitter.instruction("ld", hl, symbolicImmediate("_x"));  // repeated: dropped
  emitter.codeLine("\tj\t" + name);
  emitter.instruction("inc", memoryOperand(MemoryMode::direct, "(_" + name + ")", false));
  emitter.flush();
  EXPECT_EQ(readBack(),
            "\tld\thl,_" + name + "\n\tld\thl,_x\n\tj\t" + name + "\n\tinc\t(_" + name + ")\t\n");
}

// Labels are numbered in four lowercase hexadecimal digits, counting on past 0xffff from 0.
TEST_F(WorkRecords, NewLabelsAreNumberedInFourHexDigits) {
  BodyText body(options_, file_);
  CodeEmitter emitter(body, EmitterChoices{}, [] { FAIL() << "write failed"; });
  const std::vector<std::pair<unsigned, std::string>> expected{
      {0x0, "__0000"},    {0x9, "__0009"},     {0xa, "__000a"},
      {0xf0, "__00f0"},   {0x1234, "__1234"},  {0xabcd, "__abcd"},
      {0xffff, "__ffff"}, {0x10000, "__0000"}, {0x1000b, "__000b"}};
  std::size_t next = 0;
  for (unsigned count = 0; next < expected.size(); ++count) {
    std::string label = emitter.newLabel();
    if (count != expected[next].first) continue;
    EXPECT_EQ(label, expected[next].second) << count;
    ++next;
  }
}

// A source line's text goes out without the blanks it starts with; they are looked for eight
// bytes at a time, so runs of every length end in their place on either side of those steps,
// at bytes that are a bit off from a space or a tab, or have the top bit set.
TEST(LeadingBlanks, EndWhereTheTextStarts) {
  const std::string firsts = "!\b\n\xa0\x89\x0bx";
  for (std::size_t blanks = 0; blanks <= 20; ++blanks) {
    std::string text;
    for (std::size_t i = 0; i < blanks; ++i) text += i % 3 == 1 ? '\t' : ' ';
    SCOPED_TRACE(std::to_string(blanks) + " blanks");
    EXPECT_EQ(leadingBlanks(text), blanks);
    for (std::size_t rest : {std::size_t{1}, std::size_t{2}, std::size_t{9}}) {
      std::string line = text + firsts[(blanks + rest) % firsts.size()];
      line.append(rest - 1, ' ');  // blanks after the text are not counted
      EXPECT_EQ(leadingBlanks(line), blanks) << rest;
    }
  }
}

TEST_F(WorkRecords, TheBodyIsCopiedWholeBehindTheHeader) {
  std::string body;
  for (int i = 0; body.size() < 3 * 1024 * 1024 + 5; ++i)
    body += "\tld\ta," + std::to_string(i) + "\n";
  for (std::size_t at = 0; at < body.size(); at += 999)
    ASSERT_TRUE(file_.write(body.data() + at, std::min<std::size_t>(999, body.size() - at)));
  EXPECT_FALSE(file_.failed());
  const std::string expected = "\tmodule\tprog\n" + body + "\tend\n";
  EXPECT_EQ(copiedBehindHeader("wb"), expected);
  ASSERT_TRUE(file_.openForReading());
  // An output opened for appending is copied by blocks.
  std::filesystem::remove(directory_ / "out.asm");
  EXPECT_EQ(copiedBehindHeader("ab"), expected);
  ASSERT_TRUE(file_.openForReading());
  EXPECT_EQ(readBack(), body);
}

// Bytes of a recognisable order: a piece out of place or lost shows.
std::string numberedBytes(std::size_t size) {
  std::string bytes;
  for (std::size_t i = 0; bytes.size() < size; ++i) bytes += std::to_string(i) + ',';
  bytes.resize(size);
  return bytes;
}

std::string fileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Below its memory limit a work file leaves the disk alone until it is kept; past the
// limit everything goes to the disk in order. Read back in small pieces, copied, or kept,
// every byte comes back in its place either way, across the memory blocks' edges.
TEST_F(WorkRecords, BytesComeBackWholeInMemoryAndPastTheLimit) {
  constexpr std::size_t kLimit = 2 * 1024 * 1024;
  for (std::size_t size : {std::size_t{0}, std::size_t{5}, kLimit - 3, kLimit + 1, 3 * kLimit}) {
    const std::string bytes = numberedBytes(size);
    bool pastLimit = size > kLimit;
    for (int ending = 0; ending < 3; ++ending) {
      SCOPED_TRACE("size " + std::to_string(size) + " ending " + std::to_string(ending));
      DiskWorkFile file(kLimit);
      ASSERT_TRUE(file.create(directory_.string() + "/", "TP"));
      std::string path = file.path();
      // Pieces of odd sizes, one larger than a memory block.
      std::size_t at = 0;
      for (std::size_t piece : {std::size_t{13}, std::size_t{1536 * 1024}}) {
        piece = std::min(piece, bytes.size() - at);
        ASSERT_TRUE(file.write(bytes.data() + at, piece));
        at += piece;
      }
      for (; at < bytes.size(); at += 1000) {
        ASSERT_TRUE(file.write(bytes.data() + at, std::min<std::size_t>(1000, bytes.size() - at)));
      }
      EXPECT_EQ(file.onDisk(), pastLimit);
      if (!pastLimit) {
        EXPECT_EQ(std::filesystem::file_size(path), 0u);
      }
      if (ending == 0) {
        // Kept while still being written, as on a fatal error.
        file.keep();
        EXPECT_EQ(fileText(path), bytes);
        std::filesystem::remove(path);
        continue;
      }
      ASSERT_TRUE(file.closeForWriting());
      ASSERT_TRUE(file.openForReading());
      std::string back;
      if (ending == 1) {
        char piece[7];
        for (std::size_t count; (count = file.read(piece, sizeof piece)) > 0;)
          back.append(piece, count);
        EXPECT_EQ(file.read(piece, sizeof piece), 0u);
      } else {
        kz::testing::CapturedStream out;
        ASSERT_TRUE(file.copyTo(out.stream()));
        back = out.text();
      }
      EXPECT_EQ(back, bytes);
      file.closeForReading();
      // Kept after the reading, as under -zr with errors.
      file.keep();
      EXPECT_EQ(fileText(path), bytes);
      std::filesystem::remove(path);
    }
  }
}

TEST_F(WorkRecords, NothingIsTakenAfterTheWritingEnded) {
  ASSERT_TRUE(file_.write("ab", 2));
  ASSERT_TRUE(file_.closeForWriting());
  EXPECT_FALSE(file_.write("c", 1));
  EXPECT_TRUE(file_.failed());
  DiskWorkFile never;
  EXPECT_FALSE(never.write("c", 1));
}

}  // namespace
}  // namespace kz::clike
