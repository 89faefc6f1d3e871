// Preprocessing and lexing throughput of clzel: a generated C-like source of 200,000 and
// 800,000 lines with macros, include files and conditional blocks, read to its last token.
#include <benchmark/benchmark.h>
#include <stdio.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "clike/diagnostics.h"
#include "clike/preprocessor.h"
#include "clike/settings.h"
#include "clike/source_reader.h"

namespace kz::clike {
namespace {

constexpr int kMacros = 64;  // their texts stay well inside the 8 KB macro area
constexpr int kHeaderLines = 40;

class GeneratedSource {
 public:
  explicit GeneratedSource(std::size_t lineCount) {
    char pattern[] = "/tmp/kzclbenchXXXXXX";
    directory_ = ::mkdtemp(pattern);
    std::string header;
    for (int i = 0; i < kHeaderLines; ++i) {
      header += "extern unsigned char port_" + std::to_string(i) + "; /* register " +
                std::to_string(i) + " */\n";
    }
    std::ofstream(directory_ + "/ports.h", std::ios::binary) << header;
    std::string text;
    text.reserve(lineCount * 32);
    std::size_t lines = 0;
    auto line = [&](const std::string& content) {
      text += content;
      text += '\n';
      ++lines;
    };
    for (int i = 0; i < kMacros; ++i)
      line("#define LIMIT_" + std::to_string(i) + " 0x" + std::to_string(10 + i));
    line("#define SUM(a, b) ((a) + (b))");
    line("#define FEATURE");
    std::uint32_t state = 12345;
    while (lines < lineCount) {
      state = state * 1103515245u + 12345u;
      std::string n = std::to_string((state >> 8) % 5000);
      std::string m = std::to_string((state >> 4) % kMacros);
      switch ((state >> 20) % 12) {
        case 0:
          line("  A = var_" + n + " + LIMIT_" + m + ";");
          break;
        case 1:
          line("  HL = SUM(var_" + n + ", 0y1010) << 2;  /* shifted */");
          break;
        case 2:
          line("#ifdef FEATURE");
          break;
        case 3:
          line("  if (A == 'x') { CALL(handler_" + n + "); }");
          break;
        case 4:
          line("#endif");
          break;
        case 5:
          line("  static char text_" + n + "[] = \"value\\t" + n + "\\n\";");
          break;
        case 6:
          line("#if LIMIT_" + m + " >= 16 && 1");
          break;
        case 7:
          line("  *HL++ = B; W = 017 & 0xFF;");
          break;
        case 8:
          line("#else");
          break;
        case 9:
          line("void function_" + n + "(A, B) { while (B != 0) { --B; } }");
          break;
        case 10:
          if (lines % 4000 < 12)
            line("#include \"ports.h\"");
          else
            line("  count_" + n + " += LIMIT_" + m + ";");
          break;
        default:
          line("  /* a comment line with some words in it */");
          break;
      }
    }
    // Keep the conditional levels balanced and at most 12 deep; every branch taken is compiled.
    std::string balanced;
    std::vector<bool> elseSeen;
    for (std::size_t start = 0; start < text.size();) {
      std::size_t end = text.find('\n', start);
      std::string_view current(text.data() + start, end - start);
      start = end + 1;
      if (current.starts_with("#if")) {
        if (elseSeen.size() == 12)
          current = "  deep_line;";
        else
          elseSeen.push_back(false);
      } else if (current.starts_with("#else")) {
        // A short skipped branch that closes the level.
        if (elseSeen.empty()) {
          current = "  else_line;";
        } else {
          balanced += "#else\n  skipped_line = 1;\n";
          current = "#endif";
          elseSeen.pop_back();
        }
      } else if (current.starts_with("#endif")) {
        if (elseSeen.empty())
          current = "  endif_line;";
        else
          elseSeen.pop_back();
      }
      balanced.append(current);
      balanced += '\n';
    }
    for (; !elseSeen.empty(); elseSeen.pop_back()) balanced += "#endif\n";
    path_ = directory_ + "/main.c";
    std::ofstream(path_, std::ios::binary) << balanced;
    lines_ = lineCount;
  }
  ~GeneratedSource() { std::filesystem::remove_all(directory_); }

  const std::string& path() const { return path_; }
  const std::string& directory() const { return directory_; }
  std::size_t lines() const { return lines_; }

 private:
  std::string directory_;
  std::string path_;
  std::size_t lines_ = 0;
};

std::size_t tokenise(const GeneratedSource& source, unsigned& errors) {
  RunSettings settings;
  settings.options.applyDefaults();
  std::FILE* sink = std::fopen("/dev/null", "w");
  Diagnostics diagnostics(settings, Console{sink, sink});
  diagnostics.setPhase(Phase::compiling);
  SourceReader reader(diagnostics);
  SymbolTable symbols;
  StringPool strings;
  PreprocessorSetup setup;
  setup.search.sourceDirectory = source.directory() + "/";
  Preprocessor preprocessor(diagnostics, reader, symbols, strings, setup);
  reader.openMain(source.path());
  std::size_t tokens = 0;
  for (Token token = preprocessor.next(); token.kind != TokenClass::endOfInput;
       token = preprocessor.next())
    ++tokens;
  errors = diagnostics.errorCount();
  std::fclose(sink);
  return tokens;
}

void preprocessAndLex(benchmark::State& state) {
  GeneratedSource source(static_cast<std::size_t>(state.range(0)));
  unsigned errors = 0;
  std::size_t tokens = 0;
  for (auto _ : state) {
    tokens = tokenise(source, errors);
    benchmark::DoNotOptimize(tokens);
  }
  if (errors != 0) state.SkipWithError("the generated source drew messages");
  state.counters["lines/s"] = benchmark::Counter(static_cast<double>(source.lines()),
                                                 benchmark::Counter::kIsIterationInvariantRate);
  state.counters["tokens"] = static_cast<double>(tokens);
}

BENCHMARK(preprocessAndLex)->Arg(200000)->Arg(800000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace kz::clike

BENCHMARK_MAIN();
