#pragma once
// Runs the preprocessor as zc1 -P or -E does, on sources in a scratch directory, with the
// messages caught in memory: what tests of the preprocessor and the options look at.
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "cfront/diagnostics.h"
#include "cfront/fatal.h"
#include "cfront/output_file.h"
#include "cfront/preprocessed_writer.h"
#include "cfront/preprocessor.h"
#include "cfront/settings.h"
#include "tests/common/captured_stream.h"

namespace kz::cfront::testing {

using kz::testing::CapturedStream;

class ScratchDirectory {
 public:
  ScratchDirectory() {
    char name[] = "/tmp/zc1-test-XXXXXX";
    path_ = ::mkdtemp(name);
  }
  ~ScratchDirectory() { std::filesystem::remove_all(path_); }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  std::string write(const std::string& name, const std::string& text) const {
    std::filesystem::path file = path_ / name;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
    return file.string();
  }
  std::string read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::string path() const { return path_.string() + '/'; }

 private:
  std::filesystem::path path_;
};

struct Result {
  std::string output;
  std::string messages;
  unsigned errors = 0;
  unsigned warnings = 0;
  bool aborted = false;
};

// Preprocesses `source` as the primary file "t.c" (further files may be written into the
// scratch directory first), in -P mode unless options say otherwise.
inline Result preprocess(const std::string& source, RunOptions options = {},
                         const ScratchDirectory* files = nullptr) {
  ScratchDirectory own;
  const ScratchDirectory& scratch = files ? *files : own;
  if (options.ppMode == 0) options.ppMode = 'P';
  std::string input = scratch.write("t.c", source);
  CapturedStream messages;
  Diagnostics diagnostics(options, messages.stream());
  Preprocessor preprocessor(options, diagnostics, 1700000000);
  diagnostics.setPositionSource([&] { return preprocessor.position(); });
  OutputFile output(diagnostics);
  Result result;
  try {
    preprocessor.definePredefined();
    preprocessor.defineAfterOptions();
    preprocessor.setIncludeDirectories({scratch.path(), scratch.path() + "inc/"});
    preprocessor.openPrimary(std::string("t.c"), source);
    output.open(scratch.path() + "out.i");
    PreprocessedWriter writer(output, preprocessor, options.lineDirectives());
    writer.copyAll(preprocessor);
    output.close();
  } catch (const RunAborted&) {
    result.aborted = true;
    output.close();
  }
  result.output = scratch.read("out.i");
  result.messages = messages.text();
  result.errors = diagnostics.errorCount();
  result.warnings = diagnostics.warningCount();
  return result;
}

// Calls `check` with the path and the contents of each non-empty input of a fuzz corpus kept
// under tests/fuzz/; returns how many there were.
template <typename Check>
int forEachCorpusInput(const std::string& corpusName, Check check) {
  std::filesystem::path corpus =
      std::filesystem::path(__FILE__).parent_path().parent_path() / "fuzz" / corpusName;
  int inputs = 0;
  if (!std::filesystem::is_directory(corpus)) return 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    std::ifstream in(entry.path(), std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (data.empty()) continue;
    check(entry.path().string(), data);
    ++inputs;
  }
  return inputs;
}

}  // namespace kz::cfront::testing
