#include <gtest/gtest.h>
#include <stdlib.h>

#include <climits>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "asm/token_file.h"
#include "common/fatal_error.h"

namespace kz::assembler {
namespace {

class SilentReporter : public Reporter {
 public:
  void reportError(int, std::string_view) override {}
  void reportWarning(int, std::string_view) override {}
};

int fatalNumber(const std::function<void()>& action) {
  try {
    action();
  } catch (const FatalError& error) {
    return error.number();
  }
  return 0;
}

Token make(TokenKind kind, std::string text = {}, std::int32_t value = 0) {
  Token token;
  token.kind = kind;
  token.text = std::move(text);
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
  symbol.symbolIndex = 0xFFFFFFFEu;
  tokens.push_back(symbol);
  symbol.symbolIndex = 0;
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
  string.text = "sys/io.h";
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
      EXPECT_EQ(replayed.symbolIndex, written.symbolIndex);
      EXPECT_EQ(replayed.text, written.symbolIndex == kNoSymbol ? written.text : "");
      break;
    case TokenKind::integer:
      EXPECT_EQ(replayed.value, written.value);
      EXPECT_EQ(replayed.text, written.text);
      break;
    case TokenKind::floating:
      EXPECT_EQ(replayed.floatValue, written.floatValue);
      EXPECT_EQ(replayed.precision, written.precision);
      EXPECT_EQ(replayed.text, written.text);
      break;
    case TokenKind::string:
      EXPECT_EQ(replayed.text, written.text);
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
      EXPECT_EQ(record.tokens().back().text, huge.back().text);
      continue;
    }
    ASSERT_EQ(record.line, expectedLine);
    ASSERT_EQ(record.fileIndex, expectedLine % 3);
    ASSERT_EQ(record.tokens()[2].value, expectedLine);
    ++expectedLine;
  }
  EXPECT_EQ(expectedLine, 60001);
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

}  // namespace
}  // namespace kz::assembler
