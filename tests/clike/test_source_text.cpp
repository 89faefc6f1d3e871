#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "tests/clike/test_support.h"

namespace kz::clike {
namespace {

using testing::PreprocessorHarness;

std::string nextText(PreprocessorHarness& h) { return std::string(h.preprocessor->next().text); }

// The recent lines give the source comments of the output; those of an include file must
// keep their text after the file is closed, in every reading of it.
TEST(SourceText, LinesOfAnIncludeFileKeepTheirTextAfterItIsLeft) {
  PreprocessorHarness h;
  h.write("inc.h", "first\r\nlast");
  h.open("#include \"inc.h\"\n#include \"inc.h\"\nafter\n");
  for (const char* expected : {"first", "last", "first", "last", "after"}) {
    EXPECT_EQ(nextText(h), expected);
  }
  // Lines in reading order: 1 main, 2-3 inc.h, 4 main, 5-6 inc.h, 7 main.
  EXPECT_EQ(h.preprocessor->lineSerial(2, 1), 6);
  EXPECT_EQ(h.preprocessor->lineSerial(3, 0), 7);
  EXPECT_EQ(h.preprocessor->lineText(2), "first");
  EXPECT_EQ(h.preprocessor->lineText(3), "last");
  EXPECT_EQ(h.preprocessor->lineText(6), "last");
  EXPECT_EQ(h.preprocessor->lineText(7), "after");
  // A line's text is handed out for the output once.
  EXPECT_EQ(h.preprocessor->takeLineText(6), "last");
  EXPECT_EQ(h.preprocessor->takeLineText(6), "");
  EXPECT_EQ(h.preprocessor->lineText(6), "last");
  EXPECT_EQ(h.messages(), "");
}

// Each line is ended by a zero byte in the reader's text; a zero byte written in the line
// is a character like any other that starts no token, and the line goes on after it.
TEST(SourceText, AZeroByteInALineIsAnIllegalCharacterNotItsEnd) {
  PreprocessorHarness h;
  EXPECT_EQ(h.tokens(std::string("a \0 b\nc", 7)), "a b c");
  EXPECT_EQ(h.messages(), "E201");
}

// A short word is looked up by reading eight bytes from its start, also where it ends the
// file, a macro's text or the line.
TEST(SourceText, WordsAtTheEndOfEveryTextAreFixedWordsOrNames) {
  PreprocessorHarness h;
  EXPECT_EQ(h.tokens("#define TY unsigned\n#define UC continue\nname TY UC\r\nx continue"),
            "name unsigned continue x continue");
  EXPECT_EQ(h.symbols.size(), 2u);  // name and x
  PreprocessorHarness longer;
  EXPECT_EQ(longer.tokens("unsignedx"), "unsignedx");
  EXPECT_EQ(longer.symbols.size(), 1u);
}

// A regular file is mapped where its last page leaves room for the bytes read behind its
// text, and read otherwise; the words at its end come out the same at every size around a
// page's end, however the last line ends.
TEST(SourceText, TheLastLineOfAFileIsWholeAtEverySizeAroundAPageEnd) {
  auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  for (std::string ending : {"", "\r", "\n", "\r\n", "\x1a;;", "\x1a"}) {
    std::string last = "x continue" + ending;
    for (std::size_t size = page - 14; size <= page + 2; ++size) {
      std::string emptyLines(size - last.size(), '\n');
      PreprocessorHarness h;
      EXPECT_EQ(h.tokens(emptyLines + last), "x continue") << size << " bytes, " << ending.size();
      EXPECT_EQ(h.messages(), "");
    }
  }
}

// A source that is no regular file (a pipe) has no size to read it with: it is read in
// growing pieces to its end.
TEST(SourceText, APipeIsReadWholeWhateverItsLength) {
  PreprocessorHarness h;
  std::string path = h.path("pipe.c");
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  std::string text;
  for (int i = 0; i < 30000; ++i) text += "line" + std::to_string(i) + "\n";
  ASSERT_GT(text.size(), 3u * 64 * 1024);
  std::thread writer([&] {
    int fd = ::open(path.c_str(), O_WRONLY);
    for (std::size_t at = 0; fd >= 0 && at < text.size();) {
      ssize_t count = ::write(fd, text.data() + at, std::min<std::size_t>(4096, text.size() - at));
      if (count <= 0) break;
      at += static_cast<std::size_t>(count);
    }
    if (fd >= 0) ::close(fd);
  });
  Diagnostics diagnostics(h.settings, Console{h.out.stream(), h.err.stream()});
  SourceReader reader(diagnostics);
  reader.openMain(path);
  std::string read;
  std::string_view line;
  while (reader.nextLine(line) == SourceReader::LineResult::line) {
    read.append(line);
    read += '\n';
  }
  writer.join();
  EXPECT_EQ(read, text);
  EXPECT_EQ(reader.totalLines(), 30000);
}

// A device or pipe that sends no line end is read only as far as its first line is too long:
// that line ends the compilation, after the lines before it.
TEST(SourceText, AnEndlessLineIsReadOnlyUntilItIsTooLong) {
  PreprocessorHarness h;
  Diagnostics diagnostics(h.settings, Console{h.out.stream(), h.err.stream()});
  SourceReader reader(diagnostics);
  reader.openMain("/dev/zero");
  std::string_view line;
  try {
    reader.nextLine(line);
    ADD_FAILURE() << "a line without end was taken";
  } catch (const FatalError& fatal) {
    EXPECT_EQ(fatal.number(), static_cast<int>(Message::sourceLineTooLong));
  }

  std::string path = h.path("long.c");
  h.write("long.c", "short\n" + std::string(5000, 'x') + "\nnever\n");
  SourceReader longer(diagnostics);
  longer.openMain(path);
  ASSERT_EQ(longer.nextLine(line), SourceReader::LineResult::line);
  EXPECT_EQ(line, "short");
  EXPECT_THROW(longer.nextLine(line), FatalError);
}

}  // namespace
}  // namespace kz::clike
