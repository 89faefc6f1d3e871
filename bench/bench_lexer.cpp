// Tokenising throughput of pass 1 (reader + lexer) and of the token-file replay of the later
// passes, over generated sources of 200,000 and 800,000 lines.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "asm/lexer.h"
#include "asm/source_reader.h"
#include "asm/token_file.h"
#include "bench/source_generator.h"
#include "common/work_file.h"

namespace kz::assembler {
namespace {

class CountingReporter : public Reporter {
 public:
  void reportError(Message, std::string_view) override { ++messages; }
  void reportWarning(Message, std::string_view) override { ++messages; }
  int messages = 0;
};

// The generated source in a temporary file, removed at the end.
class SourceFile {
 public:
  explicit SourceFile(std::size_t lineCount) : text_(bench::generateSource(lineCount)) {
    char pattern[] = "/tmp/kzbenchXXXXXX";
    int fd = ::mkstemp(pattern);
    ::close(fd);
    path_ = pattern;
    std::ofstream(path_, std::ios::binary) << text_;
  }
  ~SourceFile() { ::unlink(path_.c_str()); }

  const std::string& path() const { return path_; }
  std::size_t size() const { return text_.size(); }

 private:
  std::string text_;
  std::string path_;
};

// Reads the whole source through the lexer; `statement` sees each statement's tokens.
template <typename StatementSink>
std::size_t tokenise(const RunOptions& options, Reporter& reporter, StatementSink&& statement) {
  SourceReader reader(options, reporter);
  reader.openMainSource();
  Lexer lexer(reader, options, reporter);
  std::vector<Token> tokens(64);
  std::size_t count = 0;
  std::size_t total = 0;
  for (;;) {
    if (count == tokens.size()) tokens.resize(count * 2);
    TokenKind kind = lexer.nextToken(tokens[count++]);
    if (kind == TokenKind::lineEnd || kind == TokenKind::endOfSource) {
      statement(lexer, std::span<const Token>(tokens.data(), count));
      total += count;
      count = 0;
      if (kind == TokenKind::endOfSource) return total;
    }
  }
}

void setCounters(benchmark::State& state, std::size_t bytes, std::size_t lines,
                 std::size_t tokens) {
  auto iterations = static_cast<double>(state.iterations());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes));
  state.counters["lines/s"] =
      benchmark::Counter(static_cast<double>(lines) * iterations, benchmark::Counter::kIsRate);
  state.counters["tokens/s"] =
      benchmark::Counter(static_cast<double>(tokens) * iterations, benchmark::Counter::kIsRate);
}

void tokeniseSource(benchmark::State& state) {
  auto lines = static_cast<std::size_t>(state.range(0));
  SourceFile source(lines);
  RunOptions options;
  options.sourceFileName = source.path();
  CountingReporter reporter;
  std::size_t tokens = 0;
  for (auto _ : state) {
    tokens = tokenise(options, reporter, [](const Lexer&, std::span<const Token>) {});
    benchmark::DoNotOptimize(tokens);
  }
  if (reporter.messages != 0) state.SkipWithError("the generated source drew diagnostics");
  setCounters(state, source.size(), lines, tokens);
}

void replayTokenFile(benchmark::State& state) {
  auto lines = static_cast<std::size_t>(state.range(0));
  SourceFile source(lines);
  RunOptions options;
  options.sourceFileName = source.path();
  CountingReporter reporter;
  std::unique_ptr<WorkFile> file = createMemoryFile("TP");
  TokenFileWriter writer(*file, reporter);
  std::size_t tokens =
      tokenise(options, reporter, [&](const Lexer& lexer, std::span<const Token> t) {
        writer.writeStatement(lexer.fileIndex(), lexer.lineNumber(), t);
      });
  writer.writeEnd();
  TokenFileReader reader(*file, reporter);
  TokenRecord record;
  for (auto _ : state) {
    reader.rewind();
    std::size_t statements = 0;
    while (reader.next(record) != TokenRecordKind::end) ++statements;
    benchmark::DoNotOptimize(statements);
  }
  state.counters["file bytes"] = static_cast<double>(file->size());
  setCounters(state, source.size(), lines, tokens);
}

BENCHMARK(tokeniseSource)->Arg(200000)->Arg(800000)->Unit(benchmark::kMillisecond);
BENCHMARK(replayTokenFile)->Arg(200000)->Arg(800000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kz::assembler

BENCHMARK_MAIN();
