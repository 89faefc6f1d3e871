#pragma once
// Small helpers the assembler tests share.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "asm/lexer.h"
#include "asm/reporter.h"
#include "asm/run_options.h"
#include "asm/source_reader.h"
#include "asm/token.h"
#include "common/fatal_error.h"

namespace kz::assembler::testing {

// Everything written to a stream so far.
inline std::string readStream(std::FILE* file) {
  std::rewind(file);
  std::string text;
  char buffer[4096];
  std::size_t count;
  while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, count);
  return text;
}

// The statements of a source text, tokenised by the real lexer: one token vector per line,
// without its line end. Sets options.sourceFileName to a scratch file that is removed again.
inline std::vector<std::vector<Token>> lexStatements(const std::string& source, RunOptions& options,
                                                     Reporter& reporter) {
  char pattern[] = "/tmp/kzencXXXXXX";
  std::string directory = ::mkdtemp(pattern);
  options.sourceFileName = directory + "/main.asm";
  std::ofstream(options.sourceFileName, std::ios::binary) << source;
  SourceReader reader(options, reporter);
  reader.openMainSource();
  Lexer lexer(reader, options, reporter);
  std::vector<std::vector<Token>> statements(1);
  Token token;
  while (lexer.nextToken(token) != TokenKind::endOfSource) {
    if (token.kind == TokenKind::lineEnd) {
      statements.emplace_back();
    } else {
      statements.back().push_back(token);
    }
  }
  statements.pop_back();
  std::filesystem::remove_all(directory);
  return statements;
}

// Bytes as upper-case hex pairs separated by blanks: "3E 12".
inline std::string hex(std::span<const std::uint8_t> bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (std::uint8_t byte : bytes) {
    if (!text.empty()) text += ' ';
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

// The number of the fatal error the action raised, 0 when it raised none.
inline int fatalNumber(const std::function<void()>& action) {
  try {
    action();
  } catch (const FatalError& error) {
    return error.number();
  }
  return 0;
}

}  // namespace kz::assembler::testing
