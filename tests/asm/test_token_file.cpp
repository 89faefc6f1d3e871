#include <gtest/gtest.h>
#include <stdlib.h>

#include <climits>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "asm/reserved_words.h"
#include "asm/token_file.h"
#include "common/fatal_error.h"
#include "tests/asm/test_support.h"

namespace kz::assembler {
namespace {

using testing::fatalNumber;

class SilentReporter : public Reporter {
 public:
  void reportError(Message, std::string_view) override {}
  void reportWarning(Message, std::string_view) override {}
};

Token make(TokenKind kind, std::string text = {}, std::int32_t value = 0) {
  Token token;
  token.kind = kind;
  token.spelling() = std::move(text);
  token.value = value;
  return token;
}

// Every kind with the values most likely to break an encoding.
std::vector<Token> everyKind() {
  std::vector<Token> tokens;
  Token reserved = make(TokenKind::reserved, {}, 1045);
  reserved.wordClass = ReservedClass::mnemonic;
  tokens.push_back(reserved);
  tokens.push_back(make(TokenKind::identifier, std::string(32, 'n')));
  Token symbol = make(TokenKind::identifier, "dropped");
  symbol.bind(0xFFFFFFFEu);
  tokens.push_back(symbol);
  symbol.bind(0);
  tokens.push_back(symbol);
  tokens.push_back(make(TokenKind::integer, "0x80000000", INT_MIN));
  tokens.push_back(make(TokenKind::integer, "'ABCD'", -1));
  Token floating = make(TokenKind::floating, "1.1L");
  floating.floatValue = 1.1L;
  floating.precision = FloatPrecision::extended;
  tokens.push_back(floating);
  Token string = make(TokenKind::string, std::string("a\0\xFF\"", 4) + std::string(505, 's'));
  string.punct = '"';
  tokens.push_back(string);
  string.spelling() = "sys/io.h";
  string.punct = '<';
  tokens.push_back(string);
  Token punct = make(TokenKind::punct);
  punct.punct = '\xE9';
  tokens.push_back(punct);
  for (TokenKind kind : {TokenKind::shiftLeft, TokenKind::shiftRight, TokenKind::memoryOpen,
                         TokenKind::memoryClose, TokenKind::lineEnd}) {
    tokens.push_back(make(kind));
  }
  tokens[tokens.size() - 3].punct = '(';
  tokens[tokens.size() - 2].punct = ')';
  return tokens;
}

void expectSameToken(const Token& replayed, const Token& written) {
  ASSERT_EQ(replayed.kind, written.kind);
  EXPECT_EQ(replayed.punct, written.punct);
  switch (written.kind) {
    case TokenKind::reserved:
      EXPECT_EQ(replayed.wordClass, written.wordClass);
      EXPECT_EQ(replayed.value, written.value);
      break;
    case TokenKind::identifier:
      EXPECT_EQ(replayed.boundSymbol(), written.boundSymbol());
      EXPECT_EQ(replayed.spelling(), written.isBound() ? "" : written.spelling());
      break;
    case TokenKind::integer:
      EXPECT_EQ(replayed.value, written.value);
      EXPECT_EQ(replayed.spelling(), "");
      break;
    case TokenKind::floating:
      EXPECT_EQ(replayed.floatValue, written.floatValue);
      EXPECT_EQ(replayed.precision, written.precision);
      EXPECT_EQ(replayed.spelling(), written.spelling());
      break;
    case TokenKind::string:
      EXPECT_EQ(replayed.spelling(), written.spelling());
      break;
    default:
      break;
  }
}

class TokenFileTest : public ::testing::Test {
 protected:
  TokenFileTest() {
    char pattern[] = "/tmp/kztokXXXXXX";
    directory_ = std::string(::mkdtemp(pattern)) + "/";
  }
  ~TokenFileTest() override { std::filesystem::remove_all(directory_); }

  std::unique_ptr<WorkFile> diskFile() { return createDiskWorkFile(directory_, "TP"); }

  SilentReporter reporter;

 private:
  std::string directory_;
};

using TokenFileRoundTrip = TokenFileTest;

TEST_F(TokenFileRoundTrip, EveryRecordAndTokenKindInMemoryAndOnDisk) {
  std::vector<Token> tokens = everyKind();
  for (bool onDisk : {false, true}) {
    std::unique_ptr<WorkFile> file = onDisk ? diskFile() : createMemoryFile("TP");
    TokenFileWriter writer(*file, reporter);
    writer.writeStatement(0, 1, tokens);
    writer.writeIncludeEnter(98);
    writer.writeStatement(98, 123456789, {});
    writer.writeIncludeLeave();
    writer.writeEnd();

    TokenFileReader reader(*file, reporter);
    for (int pass = 0; pass < 2; ++pass) {
      reader.rewind();
      TokenRecord record;
      ASSERT_EQ(reader.next(record), TokenRecordKind::statement);
      EXPECT_EQ(record.line, 1);
      ASSERT_EQ(record.tokens().size(), tokens.size());
      for (std::size_t i = 0; i < tokens.size(); ++i)
        expectSameToken(record.tokens()[i], tokens[i]);
      ASSERT_EQ(reader.next(record), TokenRecordKind::includeEnter);
      EXPECT_EQ(record.fileIndex, 98);
      ASSERT_EQ(reader.next(record), TokenRecordKind::statement);
      EXPECT_EQ(record.fileIndex, 98);
      EXPECT_EQ(record.line, 123456789);
      EXPECT_TRUE(record.tokens().empty());
      EXPECT_EQ(reader.next(record), TokenRecordKind::includeLeave);
      EXPECT_EQ(reader.next(record), TokenRecordKind::end);
    }
  }
}

TEST_F(TokenFileRoundTrip, ManyStatementsAndOneLargerThanTheBuffers) {
  std::unique_ptr<WorkFile> file = diskFile();
  TokenFileWriter writer(*file, reporter);
  std::vector<Token> statement = {make(TokenKind::identifier, "label"), make(TokenKind::punct),
                                  make(TokenKind::integer, "7", 7), make(TokenKind::lineEnd)};
  std::vector<Token> huge(20000, make(TokenKind::string, std::string(100, 'h')));
  for (int line = 1; line <= 60000; ++line) {
    statement[2].value = line;
    writer.writeStatement(line % 3, line, statement);
    if (line == 30000) writer.writeStatement(0, 0, huge);
  }
  writer.writeEnd();

  TokenFileReader reader(*file, reporter);
  reader.rewind();
  TokenRecord record;
  long expectedLine = 1;
  while (reader.next(record) != TokenRecordKind::end) {
    ASSERT_EQ(record.kind, TokenRecordKind::statement);
    if (record.line == 0) {
      ASSERT_EQ(record.tokens().size(), huge.size());
      EXPECT_EQ(record.tokens().back().spelling(), huge.back().spelling());
      continue;
    }
    ASSERT_EQ(record.line, expectedLine);
    ASSERT_EQ(record.fileIndex, expectedLine % 3);
    ASSERT_EQ(record.tokens()[2].value, expectedLine);
    ++expectedLine;
  }
  EXPECT_EQ(expectedLine, 60001);
}

// The sizing replays go back to the start; the last replay lets the memory file go as it
// reads and still sees every record, and nothing can go back after it.
TEST_F(TokenFileRoundTrip, LastReplayReleasesTheFileAsItReads) {
  std::unique_ptr<WorkFile> file = createMemoryFile("TP");
  TokenFileWriter writer(*file, reporter);
  std::vector<Token> statement = {make(TokenKind::identifier, std::string(40, 'n')),
                                  make(TokenKind::integer, "7", 7), make(TokenKind::lineEnd)};
  for (int line = 1; line <= 20000; ++line) {
    statement[1].value = line;
    writer.writeStatement(0, line, statement);
  }
  writer.writeEnd();
  ASSERT_GT(file->size(), 4 * TokenFileReader::kChunkSize);

  auto replayedLines = [&](bool last) {
    TokenFileReader reader(*file, reporter);
    reader.rewind();
    if (last) reader.releaseAsRead();
    long lines = 0;
    TokenRecord record;
    while (reader.next(record) == TokenRecordKind::statement) {
      ++lines;
      EXPECT_EQ(record.line, lines);
      EXPECT_EQ(record.tokens()[1].value, lines);
    }
    return lines;
  };
  EXPECT_EQ(replayedLines(false), 20000);
  EXPECT_EQ(replayedLines(false), 20000);
  EXPECT_EQ(replayedLines(true), 20000);
  EXPECT_FALSE(file->seek(0));
  EXPECT_EQ(fatalNumber([&] { TokenFileReader(*file, reporter).rewind(); }), 24);
}

Token integer(std::string text, std::int32_t value) {
  return make(TokenKind::integer, std::move(text), value);
}

Token symbolToken(std::uint32_t index) {
  Token token = make(TokenKind::identifier, "name");
  token.bind(index);
  return token;
}

// Writes the statements on consecutive lines and returns what replays, statement by
// statement.
std::vector<std::vector<Token>> roundTrip(const std::vector<std::vector<Token>>& statements,
                                          const Reporter& reporter) {
  std::unique_ptr<WorkFile> file = createMemoryFile("TP");
  TokenFileWriter writer(*file, reporter);
  long line = 0;
  for (const std::vector<Token>& tokens : statements) writer.writeStatement(0, ++line, tokens);
  writer.writeEnd();
  TokenFileReader reader(*file, reporter);
  reader.rewind();
  std::vector<std::vector<Token>> replayed;
  TokenRecord record;
  while (reader.next(record) == TokenRecordKind::statement) {
    replayed.emplace_back(record.tokens().begin(), record.tokens().end());
  }
  return replayed;
}

// Integers replay from their value alone, whatever spelling, radix or overflow gave it, and
// the small ones take a byte each.
TEST_F(TokenFileRoundTrip, IntegerValuesComeBackWhateverTheirText) {
  const std::pair<std::string, std::int32_t> written[] = {{"0", 0},
                                                          {"15", 15},
                                                          {"16", 16},
                                                          {"010", 8},
                                                          {"4294967295", -1},
                                                          {"2147483648", INT_MIN},
                                                          {"0x7fFF", 0x7FFF},
                                                          {"0FFH", 0xFF},
                                                          {"'AB'", 0x4142},
                                                          {"12abc", 0},
                                                          {"", 3}};
  std::vector<Token> tokens;
  for (const auto& [text, value] : written) tokens.push_back(integer(text, value));
  std::vector<std::vector<Token>> replayed = roundTrip({tokens}, reporter);
  ASSERT_EQ(replayed.size(), 1u);
  ASSERT_EQ(replayed[0].size(), tokens.size());
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    EXPECT_EQ(replayed[0][i].kind, TokenKind::integer) << tokens[i].spelling();
    EXPECT_EQ(replayed[0][i].value, tokens[i].value) << tokens[i].spelling();
    EXPECT_EQ(replayed[0][i].spelling(), "") << tokens[i].spelling();
  }

  std::unique_ptr<WorkFile> file = createMemoryFile("TP");
  TokenFileWriter writer(*file, reporter);
  writer.writeStatement(0, 1, std::vector<Token>{integer("0", 0), integer("0xF", 15)});
  writer.writeEnd();
  EXPECT_EQ(file->size(), 3u + 2u) << "a statement of two small integers, and the end record";
}

TEST_F(TokenFileRoundTrip, EveryReservedWordAndEveryPunctuationCharacter) {
  std::vector<Token> tokens;
  for (const ReservedWord& word : reservedWordTable()) {
    Token reserved = make(TokenKind::reserved, {}, word.value);
    reserved.wordClass = word.wordClass;
    tokens.push_back(reserved);
  }
  for (int c = 0; c < 256; ++c) {
    Token punct = make(TokenKind::punct);
    punct.punct = static_cast<char>(c);
    tokens.push_back(punct);
  }
  std::vector<std::vector<Token>> replayed = roundTrip({tokens}, reporter);
  ASSERT_EQ(replayed.size(), 1u);
  ASSERT_EQ(replayed[0].size(), tokens.size());
  for (std::size_t i = 0; i < tokens.size(); ++i) expectSameToken(replayed[0][i], tokens[i]);
}

// Symbol indices are stored relative to the previous symbol token, so their order across
// tokens, statements and passes matters.
TEST_F(TokenFileRoundTrip, SymbolIndicesNearAndFarAcrossStatementsAndPasses) {
  std::vector<std::vector<Token>> statements = {
      {symbolToken(0), symbolToken(15), symbolToken(16), symbolToken(0), symbolToken(31)},
      {},
      {make(TokenKind::identifier, "text"), symbolToken(15), symbolToken(15), symbolToken(16)},
      {symbolToken(0xFFFFFFFEu), symbolToken(0xFFFFFFFEu - 16), symbolToken(0xFFFFFFFEu - 17),
       symbolToken(0), symbolToken(100000), symbolToken(99984), symbolToken(99983)},
  };
  std::unique_ptr<WorkFile> file = createMemoryFile("TP");
  TokenFileWriter writer(*file, reporter);
  for (std::size_t i = 0; i < statements.size(); ++i) {
    writer.writeStatement(0, static_cast<long>(i) + 1, statements[i]);
  }
  writer.writeEnd();
  TokenFileReader reader(*file, reporter);
  for (int pass = 0; pass < 2; ++pass) {
    reader.rewind();
    TokenRecord record;
    for (const std::vector<Token>& tokens : statements) {
      ASSERT_EQ(reader.next(record), TokenRecordKind::statement);
      ASSERT_EQ(record.tokens().size(), tokens.size());
      for (std::size_t i = 0; i < tokens.size(); ++i)
        expectSameToken(record.tokens()[i], tokens[i]);
    }
    EXPECT_EQ(reader.next(record), TokenRecordKind::end);
  }
}

// A statement on the line after the previous one takes a shorter record than the others;
// file, line and error flag must come back the same either way, through includes too.
TEST_F(TokenFileRoundTrip, FilesLinesAndFailuresAroundIncludes) {
  using K = TokenRecordKind;
  struct Step {
    K kind;
    int fileIndex = 0;
    long line = 0;
    bool failed = false;
    std::size_t stringSize = 0;
  };
  std::vector<Step> steps = {
      {K::statement, 0, 4}, {K::statement, 0, 5},   {K::statement, 0, 6, true},
      {K::statement, 0, 7}, {K::statement, 0, 9},   {K::statement, 0, 3},
      {K::statement, 2, 4}, {K::statement, 0, 5},   {K::includeEnter, 3},
      {K::statement, 3, 1}, {K::statement, 3, 2},   {K::includeEnter, 4},
      {K::statement, 4, 1}, {K::includeLeave},      {K::statement, 3, 3},
      {K::includeLeave},    {K::statement, 0, 6},   {K::includeEnter, 5},
      {K::includeLeave},    {K::includeLeave},      {K::statement, 0, 7},
      {K::includeEnter, 6}, {K::statement, 7, 100}, {K::includeLeave},
      {K::statement, 0, 8}, {K::statement, 0, -5},  {K::statement, -1, LONG_MAX},
      {K::statement, 0, 9},
  };
  // Bodies on both sides of the size limit of the short record.
  for (std::size_t size = 200; size <= 300; ++size) {
    steps.push_back({K::statement, 0, static_cast<long>(size), false, size});
  }
  steps.push_back({K::statement, 0, 400, true, 1000});

  auto tokensOf = [](const Step& step) {
    std::vector<Token> tokens = {symbolToken(static_cast<std::uint32_t>(step.line & 0xFFFF))};
    if (step.stringSize > 0) {
      Token string = make(TokenKind::string, std::string(step.stringSize, 's'));
      string.punct = '"';
      tokens.push_back(string);
    }
    return tokens;
  };
  std::unique_ptr<WorkFile> file = createMemoryFile("TP");
  TokenFileWriter writer(*file, reporter);
  for (const Step& step : steps) {
    if (step.kind == K::statement) {
      writer.writeStatement(step.fileIndex, step.line, tokensOf(step), step.failed);
    } else if (step.kind == K::includeEnter) {
      writer.writeIncludeEnter(step.fileIndex);
    } else {
      writer.writeIncludeLeave();
    }
  }
  writer.writeEnd();

  TokenFileReader reader(*file, reporter);
  reader.rewind();
  TokenRecord record;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const Step& step = steps[i];
    ASSERT_EQ(reader.next(record), step.kind) << i;
    if (step.kind == K::includeEnter) {
      EXPECT_EQ(record.fileIndex, step.fileIndex) << i;
    }
    if (step.kind != K::statement) continue;
    EXPECT_EQ(record.fileIndex, step.fileIndex) << i;
    EXPECT_EQ(record.line, step.line) << i;
    EXPECT_EQ(record.failed, step.failed) << i;
    std::vector<Token> tokens = tokensOf(step);
    ASSERT_EQ(record.tokens().size(), tokens.size()) << i;
    for (std::size_t t = 0; t < tokens.size(); ++t) expectSameToken(record.tokens()[t], tokens[t]);
  }
  EXPECT_EQ(reader.next(record), K::end);
}

// The file exists to spare re-reading the source, and should take well under its size.
TEST_F(TokenFileRoundTrip, TypicalStatementsTakeLessRoomThanTheirText) {
  auto word = [](std::string_view spelling) {
    const ReservedWord* reserved = lookupReservedWord(spelling);
    Token token = make(TokenKind::reserved, {}, reserved->value);
    token.wordClass = reserved->wordClass;
    return token;
  };
  auto punct = [](char c, TokenKind kind = TokenKind::punct) {
    Token token = make(kind);
    token.punct = c;
    return token;
  };
  std::unique_ptr<WorkFile> file = createMemoryFile("TP");
  TokenFileWriter writer(*file, reporter);
  std::string text;
  long line = 0;
  auto statement = [&](std::string source, std::vector<Token> tokens) {
    text += source + "\n";
    writer.writeStatement(0, ++line, tokens);
  };
  for (std::uint32_t n = 0; n < 1000; ++n) {
    std::string number = std::to_string(n);
    statement("L" + number + ":\tLD\t(HL),A",
              {symbolToken(2 * n), punct(':'), word("LD"), punct('(', TokenKind::memoryOpen),
               word("HL"), punct(')', TokenKind::memoryClose), punct(','), word("A")});
    statement("\tLD\tA,0x12", {word("LD"), word("A"), punct(','), integer("0x12", 0x12)});
    statement("\tDB\t1,2,3,4", {word("DB"), integer("1", 1), punct(','), integer("2", 2),
                                punct(','), integer("3", 3), punct(','), integer("4", 4)});
    statement("E" + number + "\tEQU\t" + number + "*2",
              {symbolToken(2 * n + 1), word("EQU"), integer(number, static_cast<std::int32_t>(n)),
               punct('*'), integer("2", 2)});
    statement("\tJR\tNZ,L" + std::to_string(n + 1),
              {word("JR"), word("NZ"), punct(','), symbolToken(2 * n + 2)});
    statement("", {});
  }
  writer.writeEnd();
  EXPECT_LT(file->size() * 3, text.size() * 2) << file->size() << " bytes for " << text.size();
}

// A work file whose operations fail on request.
class FailingFile : public WorkFile {
 public:
  enum class Failure { none, write, read, seek };
  FailingFile(bool memory, Failure failure)
      : WorkFile("TP"), inner_(createMemoryFile("TP")), memory_(memory), failure_(failure) {}

  bool write(const void* data, std::size_t size) override {
    return failure_ != Failure::write && inner_->write(data, size);
  }
  std::size_t read(void* data, std::size_t size) override {
    return failure_ == Failure::read ? 0 : inner_->read(data, size);
  }
  bool seek(std::uint64_t position) override {
    return failure_ != Failure::seek && inner_->seek(position);
  }
  std::uint64_t tell() const override { return inner_->tell(); }
  std::uint64_t size() const override { return inner_->size(); }
  bool failed() const override { return failure_ == Failure::read; }
  bool discard() override { return inner_->discard(); }
  bool inMemory() const override { return memory_; }

  void truncate(std::size_t size) {
    std::vector<char> bytes(size + 1);
    inner_->seek(0);
    inner_->read(bytes.data(), size);
    inner_ = createMemoryFile("TP");
    inner_->write(bytes.data(), size);
  }

 private:
  std::unique_ptr<WorkFile> inner_;
  bool memory_;
  Failure failure_;
};

using TokenFileFailure = TokenFileTest;

TEST_F(TokenFileFailure, FileErrorsAreFatal) {
  auto writeFails = [&](bool memory) {
    FailingFile file(memory, FailingFile::Failure::write);
    TokenFileWriter writer(file, reporter);
    writer.writeStatement(0, 1, everyKind());
    return fatalNumber([&] { writer.writeEnd(); });
  };
  EXPECT_EQ(writeFails(true), 161);
  EXPECT_EQ(writeFails(false), 23);

  FailingFile unreadable(true, FailingFile::Failure::read);
  TokenFileWriter(unreadable, reporter).writeEnd();
  TokenFileReader reader(unreadable, reporter);
  TokenRecord record;
  EXPECT_EQ(fatalNumber([&] { reader.next(record); }), 22);

  FailingFile unseekable(true, FailingFile::Failure::seek);
  EXPECT_EQ(fatalNumber([&] { TokenFileReader(unseekable, reporter).rewind(); }), 24);
}

TEST_F(TokenFileFailure, TruncatedRecordsAreFatal151) {
  for (std::size_t cut : {0, 1, 2, 40}) {
    FailingFile file(true, FailingFile::Failure::none);
    TokenFileWriter writer(file, reporter);
    writer.writeStatement(0, 1, everyKind());
    writer.flush();
    file.truncate(cut);
    TokenFileReader reader(file, reporter);
    reader.rewind();
    TokenRecord record;
    EXPECT_EQ(fatalNumber([&] { reader.next(record); }), 151) << cut;
  }
}

std::vector<unsigned char> bytesOf(WorkFile& file) {
  std::vector<unsigned char> bytes(static_cast<std::size_t>(file.size()));
  file.seek(0);
  file.read(bytes.data(), bytes.size());
  return bytes;
}

std::unique_ptr<WorkFile> fileOf(const std::vector<unsigned char>& bytes) {
  std::unique_ptr<WorkFile> file = createMemoryFile("TP");
  file->write(bytes.data(), bytes.size());
  return file;
}

// Reads every record; returns the fatal number that stopped it, or 0 at the end record.
int replayAll(WorkFile& file, const Reporter& reporter) {
  TokenFileReader reader(file, reporter);
  TokenRecord record;
  return fatalNumber([&] {
    reader.rewind();
    while (reader.next(record) != TokenRecordKind::end) {
    }
  });
}

TEST_F(TokenFileFailure, RecordsThatDoNotDecodeAreFatal151) {
  // A short statement record with this body, then the end record.
  auto statement = [](std::vector<unsigned char> body) {
    body.insert(body.begin(), static_cast<unsigned char>(body.size()));
    body.insert(body.end(), {0xF4, 0x00});
    return body;
  };
  auto floating = [](unsigned char precision) {
    std::vector<unsigned char> body = {0xB4, precision};
    body.resize(body.size() + sizeof(long double));
    body.push_back(0x00);
    return body;
  };
  std::vector<std::vector<unsigned char>> damaged = {
      {},                                               // no end record
      {0x00},                                           // a statement, then no end record
      {0xF5, 0x00},                                     // unused record head
      {0xFF, 0x00},                                     // unused record head
      {0xF0, 0x05, 0x00},                               // length past the end of the file
      {0xF0, 0x80},                                     // length cut off
      {0xF3, 0x01, 0x00, 0xF4, 0x00},                   // include leave with a body
      statement({0xF2}),                                // unused token code
      statement({0xFF}),                                // unused token code
      statement({0xD2}),                                // near symbol below index 0
      statement({0xB6, 0x01}),                          // far symbol below index 0
      statement({0xB6, 0xFE, 0xFF, 0xFF, 0xFF, 0x1F}),  // symbol index 2^32 - 1
      statement({0xB8, 0x05}),                          // unused token code
      statement({0xC1}),                                // unused token code
      statement({0xB7, 0x80, 0x80, 0x80, 0x80, 0x10}),  // integer beyond 32 bits
      statement({0xB5, 0x05, 0x61}),                    // identifier text past the body
      statement({0xB7, 0x80}),                          // varint past the body
      statement({0xB2}),                                // punct without its character
      statement(floating(3)),                           // no such precision
  };
  for (const std::vector<unsigned char>& bytes : damaged) {
    EXPECT_EQ(replayAll(*fileOf(bytes), reporter), 151) << ::testing::PrintToString(bytes);
  }
  // The same shapes with sound values replay.
  for (const std::vector<unsigned char>& body :
       {std::vector<unsigned char>{0xE2, 0xB6, 0xFC, 0xFF, 0xFF, 0xFF, 0x1F}, floating(2)}) {
    EXPECT_EQ(replayAll(*fileOf(statement(body)), reporter), 0);
  }
}

// Damaged bytes must end in fatal 151 (or decode as something else), never in a read
// outside the record or the file.
TEST_F(TokenFileFailure, DamagedOrCutFilesNeverReadOutsideTheBuffer) {
  std::unique_ptr<WorkFile> file = createMemoryFile("TP");
  TokenFileWriter writer(*file, reporter);
  writer.writeStatement(0, 1, everyKind());
  writer.writeIncludeEnter(1);
  writer.writeStatement(
      1, 1, std::vector<Token>{symbolToken(40), integer("0x12", 0x12), integer("300", 300)});
  writer.writeIncludeLeave();
  writer.writeStatement(0, 7, {}, true);
  writer.writeEnd();
  const std::vector<unsigned char> bytes = bytesOf(*file);
  ASSERT_EQ(replayAll(*fileOf(bytes), reporter), 0);
  for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
    std::vector<unsigned char> shorter(bytes.begin(),
                                       bytes.begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_EQ(replayAll(*fileOf(shorter), reporter), 151) << cut;
  }
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    for (unsigned char value : {0x00, 0x7F, 0x80, 0xEF, 0xF0, 0xFF}) {
      std::vector<unsigned char> changed = bytes;
      changed[at] = value;
      int result = replayAll(*fileOf(changed), reporter);
      EXPECT_TRUE(result == 0 || result == 151) << at << ' ' << int{value} << ": " << result;
    }
  }
}

}  // namespace
}  // namespace kz::assembler
