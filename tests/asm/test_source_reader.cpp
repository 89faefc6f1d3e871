#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "asm/lexer.h"
#include "asm/source_reader.h"
#include "common/fatal_error.h"

namespace kz::assembler {
namespace {

class RecordingReporter : public Reporter {
 public:
  void reportError(Message message, std::string_view) override {
    int number = messageNumber(message);
    record("E" + std::to_string(number));
    markStatementError();
  }
  void reportWarning(Message message, std::string_view) override {
    int number = messageNumber(message);
    record("W" + std::to_string(number));
  }

  std::string messages;

 private:
  void record(const std::string& text) { messages += (messages.empty() ? "" : " ") + text; }
};

class SourceReaderTest : public ::testing::Test {
 protected:
  SourceReaderTest() {
    char pattern[] = "/tmp/kzsrcXXXXXX";
    directory = ::mkdtemp(pattern);
    directory += '/';
  }
  ~SourceReaderTest() override { std::filesystem::remove_all(directory); }

  std::string write(const std::string& name, std::string_view text) {
    std::string path = directory + name;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  SourceReader& open(std::string_view mainText) {
    options.sourceFileName = write("main.asm", mainText);
    reader = std::make_unique<SourceReader>(options, reporter);
    reader->openMainSource();
    return *reader;
  }

  // Every line as "file:line:text"; a line `$INCLUDE "name"` or `$INCLUDE <name>` enters it.
  std::vector<std::string> readAll() {
    std::vector<std::string> lines;
    SourceLine line;
    while (reader->nextLine(line)) {
      lines.push_back(std::to_string(reader->fileIndex()) + ":" +
                      std::to_string(reader->lineNumber()) + ":" + std::string(line.text));
      if (line.text.starts_with("$INCLUDE ")) {
        IncludeForm form = line.text[9] == '<' ? IncludeForm::angled : IncludeForm::quoted;
        reader->enterInclude(line.text.substr(10, line.text.size() - 11), form);
      }
    }
    return lines;
  }

  int fatalNumber(const std::function<void()>& action) {
    try {
      action();
    } catch (const FatalError& error) {
      fatalArgument = error.argument();
      return error.number();
    }
    return 0;
  }

  std::string directory;
  RunOptions options;
  RecordingReporter reporter;
  std::unique_ptr<SourceReader> reader;
  std::string fatalArgument;
};

using SourceReaderLines = SourceReaderTest;

TEST_F(SourceReaderLines, LineEndsAndALastLineWithoutOne) {
  open("a\r\nb\nc\r\n\nlast");
  EXPECT_EQ(readAll(), (std::vector<std::string>{"0:1:a", "0:2:b", "0:3:c", "0:4:", "0:5:last"}));
}

TEST_F(SourceReaderLines, CtrlZEndsTheFile) {
  open(
      "a\nb\x1A"
      "c\nd\n");
  EXPECT_EQ(readAll(), (std::vector<std::string>{"0:1:a", "0:2:b"}));
  open("a\n\x1A\n");
  EXPECT_EQ(readAll(), (std::vector<std::string>{"0:1:a"}));
  std::string filler(20000, 'f');
  filler[9999] = '\n';
  open(filler + "\nxy\x1Azz\nmore\n");
  std::vector<std::string> lines = readAll();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2], "0:3:xy");
}

TEST_F(SourceReaderLines, LinesAcrossBlocksAndLongerThanABlock) {
  std::vector<std::string> expected;
  std::string text;
  std::vector<std::uint64_t> positions;
  for (std::size_t i = 0; i < 900; ++i) {
    std::size_t length = (i * 37) % 301;
    if (i == 100) length = SourceReader::kBlockSize - 1;
    if (i == 200) length = SourceReader::kBlockSize;
    if (i == 300) length = 3 * SourceReader::kBlockSize + 5;
    std::string line(length, static_cast<char>('a' + i % 26));
    positions.push_back(text.size());
    text += line + (i % 3 ? "\n" : "\r\n");
    expected.push_back("0:" + std::to_string(i + 1) + ":" + line);
  }
  open(text);
  SourceLine line;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    ASSERT_TRUE(reader->nextLine(line));
    ASSERT_EQ("0:" + std::to_string(reader->lineNumber()) + ":" + std::string(line.text),
              expected[i]);
    ASSERT_EQ(line.position, positions[i]);
  }
  EXPECT_FALSE(reader->nextLine(line));
  EXPECT_EQ(reader->totalLines(), 900);
}

TEST_F(SourceReaderLines, MissingMainSourceIsFatal20) {
  options.sourceFileName = directory + "none.asm";
  SourceReader missing(options, reporter);
  EXPECT_EQ(fatalNumber([&] { missing.openMainSource(); }), 20);
  EXPECT_EQ(fatalArgument, directory + "none.asm");
}

using SourceReaderInclude = SourceReaderTest;

TEST_F(SourceReaderInclude, IncludeAtTheEndOfABlockResumesTheParent) {
  write("inc.asm", "i1\ni2");
  std::string includeLine = "$INCLUDE \"inc.asm\"\n";
  std::string filler(SourceReader::kBlockSize - includeLine.size() - 1, 'f');
  open(filler + "\n" + includeLine + "after1\nafter2\n");
  EXPECT_EQ(readAll(),
            (std::vector<std::string>{"0:1:" + filler, "0:2:" + includeLine.substr(0, 18), "1:1:i1",
                                      "1:2:i2", "0:3:after1", "0:4:after2"}));
  EXPECT_EQ(reader->takeLeftIncludes(), 1);
  EXPECT_EQ(reader->files()[1].name, directory + "inc.asm");
  EXPECT_FALSE(reader->files()[1].open);
}

TEST_F(SourceReaderInclude, NestingStopsAtEightLevels) {
  for (int i = 1; i <= 9; ++i) {
    write("f" + std::to_string(i) + ".asm", "$INCLUDE \"f" + std::to_string(i + 1) + ".asm\"\n");
  }
  open("$INCLUDE \"f1.asm\"\nend\n");
  std::vector<std::string> lines = readAll();
  EXPECT_EQ(reporter.messages, "E234");
  ASSERT_EQ(lines.size(), 10u);  // main, f1..f8, then main's last line
  EXPECT_EQ(lines[8], "8:1:$INCLUDE \"f9.asm\"");
  EXPECT_EQ(lines[9], "0:2:end");
}

TEST_F(SourceReaderInclude, FileOpenInTheChainIsError200AndRecordsAreReused) {
  write("self.asm", "s\n$INCLUDE \"self.asm\"\n");
  write("twice.asm", "t\n");
  open("$INCLUDE \"self.asm\"\n$INCLUDE \"twice.asm\"\n$INCLUDE \"./twice.asm\"\nx");
  std::vector<std::string> lines = readAll();
  EXPECT_EQ(reporter.messages, "E200");
  EXPECT_EQ(reader->files().size(), 3u);
  EXPECT_EQ(lines,
            (std::vector<std::string>{"0:1:$INCLUDE \"self.asm\"", "1:1:s",
                                      "1:2:$INCLUDE \"self.asm\"", "0:2:$INCLUDE \"twice.asm\"",
                                      "2:1:t", "0:3:$INCLUDE \"./twice.asm\"", "2:1:t", "0:4:x"}));
}

TEST_F(SourceReaderInclude, SearchOrderAndNameForms) {
  write("src/x.inc", "src\n");
  write("inc1/sub/y.inc", "sub\n");
  write("inc2/x.inc", "inc2\n");
  write("abs.inc", "absolute\n");
  options.includeDirs = {directory + "inc1/", directory + "inc2/"};
  options.sourceFileName = write("src/main.asm",
                                 "$INCLUDE \"x.inc\"\n$INCLUDE <x.inc>\n"
                                 "$INCLUDE <sub\\y.inc>\n$INCLUDE \"" +
                                     directory + "abs.inc\"\n");
  reader = std::make_unique<SourceReader>(options, reporter);
  reader->openMainSource();
  std::vector<std::string> lines = readAll();
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[1], "1:1:src");
  EXPECT_EQ(lines[3], "2:1:inc2");
  EXPECT_EQ(lines[5], "3:1:sub");
  EXPECT_EQ(lines[7], "4:1:absolute");
  EXPECT_EQ(reader->files()[3].name, directory + "inc1/sub/y.inc");
}

TEST_F(SourceReaderInclude, NameErrors) {
  open("x\n");
  for (const char* device : {"con", "CON.ASM", "sub/lpt1.x", "clock$", "Com3", "a\\aux2.inc"}) {
    EXPECT_FALSE(reader->enterInclude(device, IncludeForm::quoted)) << device;
  }
  EXPECT_FALSE(reader->enterInclude("", IncludeForm::quoted));
  EXPECT_EQ(reporter.messages, "E236 E236 E236 E236 E236 E236 E204");
  EXPECT_EQ(fatalNumber([&] { reader->enterInclude("console.inc", IncludeForm::angled); }), 20);
  EXPECT_EQ(fatalArgument, "console.inc");
  std::string longName(SourceReader::kMaxIncludeNameLength + 1, 'n');
  EXPECT_EQ(fatalNumber([&] { reader->enterInclude(longName, IncludeForm::quoted); }), 158);
}

TEST_F(SourceReaderInclude, TheHundredthFileIsFatal161) {
  std::string main;
  for (int i = 1; i <= 99; ++i) {
    write("i" + std::to_string(i) + ".inc", "\n");
    main += "$INCLUDE \"i" + std::to_string(i) + ".inc\"\n";
  }
  open(main);
  EXPECT_EQ(fatalNumber([&] { readAll(); }), 161);
  EXPECT_EQ(reader->files().size(), SourceReader::kMaxFiles);
}

TEST_F(SourceReaderInclude, ListingReReadFollowsTheSameFiles) {
  write("inc.asm", "i1\ni2\n");
  open("m1\n$INCLUDE \"inc.asm\"\nm3\n");
  std::vector<std::string> firstPass = readAll();
  reader->rewindSource(ReadPurpose::listing);
  std::vector<std::string> listing;
  SourceLine line;
  while (reader->nextLine(line)) {
    listing.push_back(std::to_string(reader->fileIndex()) + ":" +
                      std::to_string(reader->lineNumber()) + ":" + std::string(line.text));
    if (line.text.starts_with("$INCLUDE")) reader->reenterInclude(1);
  }
  EXPECT_EQ(listing, firstPass);
  EXPECT_EQ(reader->totalLines(), 5);
  EXPECT_EQ(reader->files()[0].line, 3);
  EXPECT_EQ(reader->files()[1].listingLine, 2);
}

TEST_F(SourceReaderInclude, LexerEntersAndLeavesIncludes) {
  write("inc.asm", "DB 1\n");
  open("$INCLUDE \"inc.asm\"\nDB 2\n");
  Lexer lexer(*reader, options, reporter);
  Token token;
  std::string trace;
  std::string includeName;
  while (lexer.nextToken(token) != TokenKind::endOfSource) {
    if (token.kind == TokenKind::string) includeName = token.text();
    if (token.kind == TokenKind::integer) {
      trace += std::to_string(lexer.fileIndex()) + ":" + std::to_string(reporter.line()) + ":" +
               std::to_string(token.value) + " left" + std::to_string(lexer.takeLeftIncludes()) +
               " ";
    }
    if (token.kind == TokenKind::lineEnd && !includeName.empty()) {
      EXPECT_EQ(lexer.enterInclude(std::exchange(includeName, ""), IncludeForm::quoted), 1);
    }
  }
  EXPECT_EQ(trace, "1:1:1 left0 0:2:2 left1 ");
}

}  // namespace
}  // namespace kz::assembler
