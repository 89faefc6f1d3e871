#pragma once
// Runs the whole assembler in-process on a source text and keeps what the final pass
// produced: every statement, the standard streams and the exit status.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "asm/assembler.h"
#include "asm/statement_output.h"
#include "tests/asm/test_support.h"

namespace kz::assembler::testing {

class RecordingSink : public StatementSink {
 public:
  void statement(const EmittedStatement& statement) override { statements.push_back(statement); }
  std::vector<EmittedStatement> statements;
};

struct AssemblyRun {
  int status = 0;
  std::string out;
  std::string err;
  std::vector<EmittedStatement> statements;
  std::vector<std::uint32_t> sectionSizes;

  // The statement of a main-source line.
  const EmittedStatement* at(long line) const {
    for (const auto& statement : statements) {
      if (statement.fileIndex == 0 && statement.line == line) return &statement;
    }
    return nullptr;
  }
  std::vector<std::uint8_t> bytesAt(long line) const {
    const EmittedStatement* statement = at(line);
    if (!statement) return {};
    if (statement->instruction) {
      auto view = statement->instruction->view();
      return {view.begin(), view.end()};
    }
    return statement->bytes;
  }
};

// Assembles `source` (written to a scratch file) with -$ -Xt and the extra arguments.
inline AssemblyRun assemble(const std::string& source, std::vector<std::string> arguments = {},
                            const std::vector<std::pair<std::string, std::string>>& includes = {}) {
  auto dir = std::filesystem::temp_directory_path() / ("kzasm-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  for (const auto& [name, text] : includes) std::ofstream(dir / name, std::ios::binary) << text;
  auto path = dir / "test.asm";
  std::ofstream(path, std::ios::binary) << source;
  arguments.insert(arguments.begin(), {"-$", "-Xt"});
  arguments.push_back(path.string());
  std::vector<std::string> argv{"asmzel"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  RecordingSink sink;
  AssemblyRun run;
  {
    Assembler assembler(ProgramEnvironment(argv, {"TMP=" + dir.string()}), Console{out, err});
    assembler.setStatementSink(&sink);
    run.status = assembler.run();
    if (assembler.symbols()) {
      for (const auto& section : assembler.symbols()->sections())
        run.sectionSizes.push_back(section.size);
    }
  }
  run.out = readStream(out);
  run.err = readStream(err);
  std::fclose(out);
  std::fclose(err);
  run.statements = std::move(sink.statements);
  std::string prefix = path.string() + " ";
  for (std::size_t at; (at = run.err.find(prefix)) != std::string::npos;)
    run.err.replace(at, prefix.size(), "");
  std::filesystem::remove_all(dir);
  return run;
}

}  // namespace kz::assembler::testing
