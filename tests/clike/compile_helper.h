#pragma once
// Compiles a C-like source in this process (a whole clzel run in a scratch directory) and
// puts the assembly file through the assembler, so tests can look at the generated lines,
// the messages and the encoded bytes of each line.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "clike/compiler.h"
#include "tests/asm/assemble_helper.h"
#include "tests/clike/test_support.h"

namespace kz::clike::testing {

struct Compiled {
  int status = 0;
  std::string assembly;  // the assembly file, without source references
  std::string messages;  // "E206 W501"
  std::string err;

  bool has(const std::string& line) const {
    return ("\n" + assembly).find("\n" + line + "\n") != std::string::npos;
  }
};

// Without source references (-lh0) unless `references` is set: then the options choose.
inline Compiled compile(const std::string& source, std::vector<std::string> options = {},
                        bool references = false) {
  char pattern[] = "/tmp/kzclcgXXXXXX";
  std::filesystem::path directory = ::mkdtemp(pattern);
  std::ofstream(directory / "prog.c", std::ios::binary) << source;
  std::vector<std::string> argv{"clzel", "-$"};
  if (!references) argv.push_back("-lh0");
  argv.insert(argv.end(), options.begin(), options.end());
  argv.push_back("-o");
  argv.push_back((directory / "prog.asm").string());
  argv.push_back((directory / "prog.c").string());
  CapturedStream out, err;
  Compiled result;
  {
    // Outputs named after the source (the listing of -lh0) land in the scratch directory.
    std::filesystem::path caller = std::filesystem::current_path();
    std::filesystem::current_path(directory);
    Compiler compiler(ProgramEnvironment(argv, {"TMP=" + directory.string() + "/"}),
                      {out.stream(), err.stream()});
    result.status = compiler.run();
    std::filesystem::current_path(caller);
  }
  std::ifstream in(directory / "prog.asm", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  result.assembly = text.str();
  result.err = err.text();
  result.messages = messageNumbers(result.err + out.text());
  std::filesystem::remove_all(directory);
  return result;
}

// The bytes the assembler encodes for each line of the assembly text, by the line's text.
struct Encoded {
  int status = 0;
  std::string err;
  std::vector<std::string> lines;
  assembler::testing::AssemblyRun run;

  // The bytes of the first line equal to `text`, as "EB 61"; "?" when no such line.
  std::string bytes(const std::string& text, std::size_t occurrence = 0) const {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (lines[i] != text || occurrence-- > 0) continue;
      std::string result;
      for (std::uint8_t byte : run.bytesAt(static_cast<long>(i + 1))) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", byte);
        if (!result.empty()) result += ' ';
        result += hex;
      }
      return result;
    }
    return "?";
  }
};

inline Encoded assemble(const std::string& assembly) {
  Encoded encoded;
  encoded.run = assembler::testing::assemble(assembly);
  encoded.status = encoded.run.status;
  encoded.err = encoded.run.err;
  std::stringstream in(assembly);
  for (std::string line; std::getline(in, line);) encoded.lines.push_back(line);
  return encoded;
}

}  // namespace kz::clike::testing
