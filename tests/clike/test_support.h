#pragma once
// A compile-free harness for the preprocessor and lexer: source files in a scratch
// directory, the real reader, preprocessor and diagnostics, standard streams caught in
// memory. Tokens are rendered compactly: names and fixed words as written, numbers as
// "#value", character constants as "'value", strings in double quotes, then "<eod>",
// "asm{...}".
#include <stdio.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <string>

#include "clike/diagnostics.h"
#include "clike/preprocessor.h"
#include "clike/settings.h"
#include "clike/source_reader.h"
#include "common/fatal_error.h"
#include "tests/common/captured_stream.h"

namespace kz::clike::testing {

using kz::testing::CapturedStream;

// "E400 W515 F131" for the message lines of a stream.
inline std::string messageNumbers(const std::string& text) {
  static const std::regex kMessage("CLZEL-(Error|Warning|Fatal)-([0-9]+)");
  std::string numbers;
  for (std::sregex_iterator at(text.begin(), text.end(), kMessage), end; at != end; ++at) {
    if (!numbers.empty()) numbers += ' ';
    numbers += (*at)[1].str()[0];
    numbers += (*at)[2].str();
  }
  return numbers;
}

inline std::string render(const Token& token) {
  switch (token.kind) {
    case TokenClass::number:
      return "#" + std::to_string(token.value);
    case TokenClass::character:
      return "'" + std::to_string(token.value);
    case TokenClass::string:
      return "\"" + std::string(token.text) + "\"";
    case TokenClass::asmBlock:
      return "asm{" + std::string(token.text) + "}";
    case TokenClass::endOfDirective:
      return "<eod>";
    default:
      return std::string(token.text);
  }
}

class PreprocessorHarness {
 public:
  PreprocessorHarness() {
    char pattern[] = "/tmp/kzclikeXXXXXX";
    directory_ = ::mkdtemp(pattern);
    settings.options.applyDefaults();
  }
  ~PreprocessorHarness() { std::filesystem::remove_all(directory_); }

  std::string path(const std::string& name) const { return (directory_ / name).string(); }
  void write(const std::string& name, const std::string& text) {
    std::filesystem::create_directories((directory_ / name).parent_path());
    std::ofstream(path(name), std::ios::binary) << text;
  }

  // Writes `source` as main.c and opens it; the tokens are then read one by one.
  void open(const std::string& source) {
    write("main.c", source);
    diagnostics = std::make_unique<Diagnostics>(settings, Console{out.stream(), err.stream()});
    diagnostics->setPhase(Phase::compiling);
    reader = std::make_unique<SourceReader>(*diagnostics);
    setup.search.sourceDirectory = directory_.string() + "/";
    setup.debugNumbers = &debugNumbers;
    preprocessor = std::make_unique<Preprocessor>(*diagnostics, *reader, symbols, strings, setup);
    reader->openMain(path("main.c"));
  }

  // Preprocesses `source` as main.c; returns the tokens, or the tokens up to a fatal
  // followed by "FATAL<number>".
  std::string tokens(const std::string& source) {
    std::string result;
    try {
      open(source);
      preprocessor->applyCommandLineMacros(settings.files.macros);
      for (Token token = preprocessor->next(); token.kind != TokenClass::endOfInput;
           token = preprocessor->next()) {
        if (!result.empty()) result += ' ';
        result += render(token);
      }
    } catch (const FatalError& fatal) {
      result += (result.empty() ? "" : " ") + std::string("FATAL") + std::to_string(fatal.number());
    }
    return result;
  }

  std::string messages() { return messageNumbers(err.text()); }

  RunSettings settings;
  PreprocessorSetup setup;
  std::int32_t debugNumbers = 64;
  CapturedStream out, err;
  std::unique_ptr<Diagnostics> diagnostics;
  std::unique_ptr<SourceReader> reader;
  SymbolTable symbols;
  StringPool strings;
  std::unique_ptr<Preprocessor> preprocessor;

 private:
  std::filesystem::path directory_;
};

}  // namespace kz::clike::testing
