#pragma once
// The preprocess-only output: the expanded tokens line by line, with "#line" lines where
// the source line or file changes (-E) or without them (-P).
#include <cstdint>
#include <string>

#include "cfront/output_file.h"
#include "cfront/preprocessor.h"

namespace kz::cfront {

class PreprocessedWriter {
 public:
  PreprocessedWriter(OutputFile& output, const Preprocessor& preprocessor, bool lineDirectives);

  // Copies the whole translation unit.
  void copyAll(Preprocessor& preprocessor);
  void put(const Token& token);

 private:
  void startLine(const Token& token);
  void endLine();

  OutputFile& output_;
  const Preprocessor& preprocessor_;
  bool lineDirectives_;
  bool lineOpen_ = false;
  std::uint16_t file_ = 0;
  std::uint32_t nextLine_ = 1;  // the source line the next output line shows
  Token previous_;
};

// Whether two adjacent tokens would run together into other tokens when written without a
// blank between them.
bool wouldJoin(const Token& left, const Token& right);

}  // namespace kz::cfront
