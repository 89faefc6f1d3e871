#pragma once
// The token work file ("TP"): pass 1 records every statement's tokens once, and the sizing
// and final passes replay them without reading the source again.
//
// Layout (all integers are unsigned LEB128 varints unless noted; "zigzag" marks a signed
// value in zigzag form):
//
//   record    := tag:u8 length:varint body[length]
//     'S'  statement      body := fileIndex lineDelta:zigzag tokenCount token{tokenCount}
//          (lineDelta: the line minus the line of the previous statement record)
//     'F'  statement that drew an error in pass 1: same body
//     'I'  include enter  body := fileIndex
//     'L'  include leave  body := (empty)
//     'E'  end of source  body := (empty), always the last record
//
//   token     := char:u8                a punctuation character 0x20..0x7E, alone
//             |  kind:u8 payload        kind = TokenKind, bit 7 set for a symbol reference
//     lineEnd endOfSource shiftLeft shiftRight memoryOpen memoryClose : (no payload)
//     punct       char:u8               (any other character)
//     reserved    index:u8              (position in the reserved-word table)
//     identifier  length text           (bit 7 clear: the name)
//     identifier  symbolIndex           (bit 7 set: the caller's 32-bit symbol index; the
//                                        name is not stored and replays as empty text)
//     integer     value:zigzag length text
//     floating    precision:u8 value:long double (host bytes) length text
//     string      delimiter:u8 length bytes
//
// The length prefix lets the reader make a whole record contiguous in its buffer and decode
// it without further bounds juggling. File errors name "tokenfile": a failed write is fatal
// 161 for a memory file and 23 for a disk file, a failed read 22, a failed seek 24, and a
// record that does not decode 151.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "asm/reporter.h"
#include "asm/token.h"
#include "common/work_file.h"

namespace kz::assembler {

enum class TokenRecordKind : std::uint8_t { statement, includeEnter, includeLeave, end };

struct TokenRecord {
  TokenRecordKind kind = TokenRecordKind::end;
  int fileIndex = 0;  // statement and include enter
  long line = 0;      // statement
  bool failed = false;  // statement: it drew an error in pass 1

  std::span<const Token> tokens() const { return {tokenStorage.data(), tokenCount}; }

  // Reused from record to record so that replay does not allocate per token.
  std::vector<Token> tokenStorage;
  std::size_t tokenCount = 0;
};

class TokenFileWriter {
 public:
  static constexpr std::size_t kFlushSize = std::size_t{1} << 16;

  TokenFileWriter(WorkFile& file, const Reporter& reporter);

  void writeStatement(int fileIndex, long line, std::span<const Token> tokens, bool failed = false);
  void writeIncludeEnter(int fileIndex);
  void writeIncludeLeave();
  // Writes the end marker and flushes; the file can then be replayed.
  void writeEnd();
  void flush();

 private:
  void putRecord(char tag);

  WorkFile& file_;
  const Reporter& reporter_;
  std::vector<unsigned char> buffer_;
  std::vector<unsigned char> body_;
  long lastLine_ = 0;
};

class TokenFileReader {
 public:
  static constexpr std::size_t kChunkSize = std::size_t{1} << 16;

  TokenFileReader(WorkFile& file, const Reporter& reporter);

  // Back to the first record, for the next pass.
  void rewind();
  // Decodes the next record into `record` and returns its kind.
  TokenRecordKind next(TokenRecord& record);

 private:
  std::size_t ensureAvailable(std::size_t count);

  WorkFile& file_;
  const Reporter& reporter_;
  std::vector<unsigned char> data_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool fileEnded_ = false;
  long lastLine_ = 0;
};

}  // namespace kz::assembler
