#pragma once
// The token work file ("TP"): pass 1 records every statement's tokens once, and the sizing
// and final passes replay them without reading the source again.
//
// Layout (integers are unsigned LEB128 varints unless noted; "zigzag" marks a signed value
// in zigzag form). A record begins with one head byte:
//
//   0x00..0xEF  statement, short form: the head is the length of the body, body := token*.
//               The statement drew no error in pass 1 and sits in the file of the previous
//               statement, on the line after it.
//   0xF0 length body   statement            body := fileIndex lineDelta:zigzag token*
//   0xF1 length body   statement that drew an error in pass 1: same body
//   0xF2 length body   include enter        body := fileIndex
//   0xF3 length        include leave        (length 0)
//   0xF4 length        end of source        (length 0), always the last record
//   0xF5..0xFF         not used
//
// The tokens fill the rest of the body; there is no count. Both sides keep the file and line
// of the previous statement (at first file 0, line 0): lineDelta is the line minus that line;
// an include enter saves the pair and sets it to the entered file and line 0, and the
// matching include leave restores it (a leave with nothing saved changes nothing), so the
// lines of an included file and those after it still take the short form.
//
//   token := code:u8 payload
//     0x00..0x90  reserved word: the code is its position in the reserved-word table (145)
//     0x91..0xAB  punct, one of  ! # % & ( ) * + , - . / : < = > ? @ [ \ ] ^ ` { | } ~
//                 in this order
//     0xAC lineEnd   0xAD endOfSource   0xAE shiftLeft   0xAF shiftRight
//     0xB0 memoryOpen   0xB1 memoryClose
//     0xB2 punct      char:u8                   (any other character)
//     0xB3 string     delimiter:u8 length bytes
//     0xB4 floating   precision:u8 value:long double (host bytes) length text
//                                               (precision: FloatPrecision, 0..2)
//     0xB5 identifier length text               (no symbol index)
//     0xB6 symbol     delta:zigzag              (identifier with a symbol index; see below)
//     0xB7 integer    value                     (32 bits)
//     0xB8..0xC1 not used
//     0xC2..0xD1 integer  (value code - 0xC2, 0..15)
//     0xD2..0xF1 symbol   (delta code - 0xE2, -16..15)
//     0xF2..0xFF not used
//
// A symbol's delta is its index minus that of the previous symbol token in the file (0 before
// the first); its name is not stored and replays as empty text. Integers, too, replay with
// empty text: only the lexer reads a constant's spelling.
//
// The head and length let the reader make a whole record contiguous in its buffer and
// decode it without further bounds juggling. File errors name "tokenfile": a failed write is
// fatal 161 for a memory file and 23 for a disk file, a failed read 22, a failed seek 24, and
// a record that does not decode (an unused code, a value out of range, a token running past
// the end of the body) 151.
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
  int fileIndex = 0;    // statement and include enter
  long line = 0;        // statement
  bool failed = false;  // statement: it drew an error in pass 1

  std::span<const Token> tokens() const { return {tokenStorage.data(), tokenCount}; }

  // Reused from record to record so that replay does not allocate per token.
  std::vector<Token> tokenStorage;
  std::size_t tokenCount = 0;
};

// What the writer and the reader both track from record to record (see the layout above).
struct TokenFilePosition {
  struct Saved {
    int fileIndex;
    long line;
  };
  int fileIndex = 0;
  long line = 0;
  std::uint32_t symbolIndex = 0;
  std::vector<Saved> includes;

  void enter(int enteredFile);
  void leave();
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
  std::size_t beginRecord();
  void endLongRecord(std::size_t headAt, unsigned char head, std::span<const unsigned char> fields);

  WorkFile& file_;
  const Reporter& reporter_;
  std::vector<unsigned char> buffer_;
  TokenFilePosition position_;
};

class TokenFileReader {
 public:
  static constexpr std::size_t kChunkSize = std::size_t{1} << 16;

  TokenFileReader(WorkFile& file, const Reporter& reporter);

  // Back to the first record, for the next pass.
  void rewind();
  // For the last replay: the file lets go of what has been read, and a later rewind is
  // fatal 24.
  void releaseAsRead() { releaseAsRead_ = true; }
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
  bool releaseAsRead_ = false;
  TokenFilePosition position_;
};

}  // namespace kz::assembler
