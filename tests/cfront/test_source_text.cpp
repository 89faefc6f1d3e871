// The first translation phases, constants and their types, and the current-directory rule.
#include <gtest/gtest.h>

#include <random>

#include "cfront/constants.h"
#include "cfront/include_paths.h"
#include "cfront/source_buffer.h"
#include "cfront/source_text.h"
#include "tests/cfront/harness.h"

namespace kz::cfront::testing {
namespace {

struct CleanCase {
  const char* raw;
  const char* cleaned;
};

class CleanSource : public ::testing::TestWithParam<CleanCase> {};

TEST_P(CleanSource, KeepsLinesWhereTheyWere) {
  EXPECT_EQ(cleanSource(GetParam().raw, false), GetParam().cleaned);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CleanSource,
    ::testing::Values(CleanCase{"a\\\nb\\\nc\nd\n", "abc\n\n\nd\n"},
                      CleanCase{"a\r\nb\r\n", "a\nb\n"}, CleanCase{"last", "last\n"},
                      CleanCase{"x\x1Ay\n", "x\n"}, CleanCase{"", "\n"},
                      CleanCase{"?\?=?\?(?\?)?\?<?\?>?\?!?\?'?\?-?\?x\n", "#[]{}|^~?\?x\n"},
                      CleanCase{"a?\?/\nb\n", "ab\n\n"}, CleanCase{"a\\\r\nb\n", "ab\n\n"},
                      CleanCase{"end\\", "end\n"}, CleanCase{"a\\\\\nb\n", "a\\b\n\n"}));

// The phases one at a time, each over a copy: what the single pass in place must equal.
std::string cleanedInSteps(std::string text) {
  text = text.substr(0, text.find('\x1A'));
  std::string joined;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (!(text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n')) joined += text[at];
  }
  static const std::string from = "=(/)'<!>-";
  static const std::string to = "#[\\]^{|}~";
  std::string replaced;
  for (std::size_t at = 0; at < joined.size(); ++at) {
    std::size_t which = at + 2 < joined.size() && joined.compare(at, 2, "??") == 0
                            ? from.find(joined[at + 2])
                            : std::string::npos;
    replaced += which == std::string::npos ? joined[at] : to[which];
    if (which != std::string::npos) at += 2;
  }
  std::string lines;
  std::size_t spliced = 0;
  for (char c : replaced) {
    if (c != '\n') {
      lines += c;
    } else if (!lines.empty() && lines.back() == '\\') {
      lines.pop_back();
      ++spliced;
    } else {
      lines += std::string(1 + spliced, '\n');
      spliced = 0;
    }
  }
  if (!lines.empty() && lines.back() == '\\') lines.pop_back();
  if (lines.empty() || lines.back() != '\n' || spliced > 0) lines += '\n';
  return lines + std::string(spliced, '\n');
}

TEST(CleanSource, OnePassInPlaceEqualsThePhasesInSteps) {
  const std::string alphabet = "a?=?/\\\r\n\n(-";
  std::mt19937 random(11);
  for (int round = 0; round < 5000; ++round) {
    std::string raw;
    for (std::size_t length = random() % 40; length > 0; --length)
      raw += alphabet[random() % alphabet.size()];
    if (round % 50 == 0) raw.insert(random() % (raw.size() + 1), 1, '\x1A');
    std::string inPlace = raw;
    cleanSourceInPlace(inPlace, false);
    ASSERT_EQ(inPlace, cleanedInSteps(raw)) << ::testing::PrintToString(raw);
  }
  // Long ordinary runs with the odd special character, each at every offset within a word.
  const std::string ordinary = "abcdefgh ijk;\n";
  const std::string special = "?=/\\\r\n";
  for (int round = 0; round < 3000; ++round) {
    std::string raw;
    for (std::size_t length = random() % 300; length > 0; --length)
      raw += random() % 12 == 0 ? special[random() % special.size()]
                                : ordinary[random() % ordinary.size()];
    std::string inPlace = raw;
    cleanSourceInPlace(inPlace, false);
    ASSERT_EQ(inPlace, cleanedInSteps(raw)) << ::testing::PrintToString(raw);
  }
}

// A file is read whole whether it is empty, small, or larger than the blocks it is read in.
TEST(SourceFile, IsReadWholeWhateverItsSize) {
  ScratchDirectory directory;
  for (std::size_t size :
       {std::size_t{0}, std::size_t{1}, std::size_t{4095}, std::size_t{700000}}) {
    std::string text;
    for (std::size_t at = 0; at < size; ++at) text += static_cast<char>('a' + at % 23);
    std::string path = directory.write("f" + std::to_string(size) + ".c", text);
    std::string contents = "left over";
    ASSERT_EQ(readRegularFile(path, contents), ReadResult::ok) << size;
    EXPECT_EQ(contents, text) << size;
  }
  std::string contents;
  EXPECT_EQ(readRegularFile(directory.path() + "missing.c", contents), ReadResult::cannotOpen);
  EXPECT_EQ(readRegularFile(directory.path(), contents), ReadResult::cannotOpen);
}

// A large file is mapped where it leaves room past its end; whether mapped or read, and
// whatever its last page holds, it cleans to the same text, followed by a zero byte.
TEST(SourceFile, LargeFileCleansAsReadText) {
  ScratchDirectory directory;
  const std::size_t page = 4096;
  const std::string line = "int a;\n";
  int file = 0;
  for (std::size_t size : {16 * page + 1, 16 * page + page - 2, 16 * page + page - 1, 17 * page}) {
    for (const std::string& ending : {std::string("\n"), std::string("x"), std::string("\\"),
                                      std::string("?\?/\n"), std::string("\r\n\\\n")}) {
      std::string raw;
      while (raw.size() + ending.size() < size) raw += line;
      raw.resize(size - ending.size(), ';');
      raw += ending;
      for (bool endOfFileMark : {false, true}) {
        if (endOfFileMark) raw[raw.size() / 2] = '\x1A';
        std::string path = directory.write("f" + std::to_string(file++) + ".c", raw);
        SourceBuffer buffer;
        ASSERT_EQ(readSourceFile(path, buffer), ReadResult::ok);
        buffer.clean(false);
        std::string_view text = buffer.text();
        EXPECT_EQ(text, cleanSource(raw, false)) << size << ::testing::PrintToString(ending);
        EXPECT_EQ(text.data()[text.size()], '\0') << size << ::testing::PrintToString(ending);
      }
    }
  }
}

TEST(CleanSource, ShiftJisSecondByteDoesNotJoinLines) {
  EXPECT_EQ(cleanSource("\x95\\\nx\n", true), "\x95\\\nx\n");
  EXPECT_EQ(cleanSource("\x95\\\nx\n", false), "\x95x\n\n");
}

struct IntegerCase {
  const char* text;
  std::uint32_t value;
  IntegerType type;
};

class IntegerConstantType : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(IntegerConstantType, FollowsTheSixteenBitRules) {
  RunOptions options;
  CapturedStream messages;
  Diagnostics diagnostics(options, messages.stream());
  IntegerConstant constant = parseIntegerConstant(GetParam().text, options, diagnostics);
  EXPECT_EQ(constant.value, GetParam().value) << GetParam().text;
  EXPECT_EQ(constant.type, GetParam().type) << GetParam().text;
  EXPECT_EQ(messages.text(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Constants, IntegerConstantType,
    ::testing::Values(IntegerCase{"32767", 32767, IntegerType::intType},
                      IntegerCase{"40000", 40000, IntegerType::longType},
                      IntegerCase{"0x9C40", 40000, IntegerType::unsignedInt},
                      IntegerCase{"0177777", 65535, IntegerType::unsignedInt},
                      IntegerCase{"40000u", 40000, IntegerType::unsignedInt},
                      IntegerCase{"70000U", 70000, IntegerType::unsignedLong},
                      IntegerCase{"1L", 1, IntegerType::longType},
                      IntegerCase{"2147483648", 2147483648u, IntegerType::unsignedLong},
                      IntegerCase{"2147483648l", 2147483648u, IntegerType::unsignedLong},
                      IntegerCase{"5ul", 5, IntegerType::unsignedLong},
                      IntegerCase{"4294967295", 4294967295u, IntegerType::unsignedLong}));

TEST(IntegerConstant, SmallConstantsTakeCharacterTypes) {
  RunOptions options;
  options.smallConstants = true;
  CapturedStream messages;
  Diagnostics diagnostics(options, messages.stream());
  EXPECT_EQ(parseIntegerConstant("127", options, diagnostics).type, IntegerType::signedChar);
  EXPECT_EQ(parseIntegerConstant("128", options, diagnostics).type, IntegerType::unsignedChar);
  EXPECT_EQ(parseIntegerConstant("5u", options, diagnostics).type, IntegerType::unsignedChar);
  EXPECT_EQ(parseIntegerConstant("256", options, diagnostics).type, IntegerType::intType);
}

struct BadConstantCase {
  const char* text;
  bool character;
  const char* message;
  std::uint32_t value;
};

class BadConstant : public ::testing::TestWithParam<BadConstantCase> {};

TEST_P(BadConstant, IsReportedWithAUsableValue) {
  RunOptions options;
  CapturedStream messages;
  Diagnostics diagnostics(options, messages.stream());
  IntegerConstant constant = GetParam().character
                                 ? parseCharacterConstant(GetParam().text, options, diagnostics)
                                 : parseIntegerConstant(GetParam().text, options, diagnostics);
  EXPECT_EQ(messages.text(), std::string("ZC1-") + GetParam().message + "\n");
  EXPECT_EQ(constant.value, GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Constants, BadConstant,
    ::testing::Values(
        BadConstantCase{"089", false, "Error-202: Illegal digit '8' for base '8'", 0},
        BadConstantCase{"0x", false, "Error-204: Illegal hex constants", 0},
        BadConstantCase{"4294967296", false, "Error-342: Constant too big", 0},
        BadConstantCase{"''", true, "Error-200: Empty character constant", 0},
        BadConstantCase{"'\\q'", true, "Warning-621: Illegal escape sequence 'q'", 'q'},
        BadConstantCase{"'abc'", true, "Error-341: Too many characters in constant", 0x616263},
        BadConstantCase{"'\\x'", true, "Error-204: Illegal hex constants", 0},
        BadConstantCase{"'\\x123456789'", true,
                        "Warning-511: Out of range in hex escape sequence '23456789'\n"
                        "ZC1-Warning-517: Too big for character",
                        0xFFFFFF89}));

TEST(CharacterConstant, PacksAndExtendsAsTheTargetDoes) {
  RunOptions options;
  CapturedStream messages;
  Diagnostics diagnostics(options, messages.stream());
  EXPECT_EQ(parseCharacterConstant("'ab'", options, diagnostics).value, 0x6162u);
  EXPECT_EQ(parseCharacterConstant("'\\377'", options, diagnostics).value, 0xFFFFFFFFu);
  EXPECT_EQ(parseCharacterConstant("'\\x41'", options, diagnostics).value, 0x41u);
  options.unsignedChar = true;
  EXPECT_EQ(parseCharacterConstant("'\\377'", options, diagnostics).value, 255u);
  EXPECT_EQ(messages.text(), "");
}

TEST(CurrentDirectory, GetsOneSeparatorButAShiftJisTailIsNoSeparator) {
  EXPECT_EQ(withDirectorySeparator("/home/a"), "/home/a/");
  EXPECT_EQ(withDirectorySeparator("/"), "/");
  EXPECT_EQ(withDirectorySeparator("C:\\"), "C:\\");
  EXPECT_EQ(withDirectorySeparator("C:\\\x95\\"), "C:\\\x95\\/");
  EXPECT_EQ(withDirectorySeparator("C:\\a\\"), "C:\\a\\");
}

TEST(IncludeDirectories, ComeInSearchOrder) {
  IncludeRoots roots;
  roots.khomezel = "/opt/kz/";
  roots.khome = "/opt/k";
  EXPECT_EQ(includeDirectoryList(std::string("src/m.c"), {"inc", "/abs", "D:x"}, "/work/", roots),
            (std::vector<std::string>{"src/", "/work/inc/", "/abs/", "D:x/", "/opt/kz/include/",
                                      "/opt/k/include/"}));
  IncludeRoots none;
  EXPECT_EQ(includeDirectoryList(std::nullopt, {}, "/work/", none),
            (std::vector<std::string>{"", "/work/"}));
}

}  // namespace
}  // namespace kz::cfront::testing
