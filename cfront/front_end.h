#pragma once
// One run of zc1 from start to exit: settings, work files, the version record, the input
// and output, and then preprocess-only copying or compilation.
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "cfront/command_line.h"
#include "cfront/diagnostics.h"
#include "cfront/output_file.h"
#include "cfront/pragmas.h"
#include "cfront/preprocessor.h"
#include "cfront/sections.h"
#include "cfront/settings.h"
#include "common/handover.h"
#include "common/work_file.h"

namespace kz::cfront {

inline constexpr const char* kVersion = "1.8r.12.03";
std::string bannerLine();

class FrontEnd : private OptionActions {
 public:
  FrontEnd(ProgramEnvironment environment, std::FILE* console);
  ~FrontEnd() override;
  FrontEnd(const FrontEnd&) = delete;
  FrontEnd& operator=(const FrontEnd&) = delete;

  // The exit status: the number of errors, or 1 after a fatal message.
  int run();

 private:
  void startUp();
  void makeWorkFiles();
  void writeVersionRecord(const std::string& optionText);
  SourceBuffer openInput();
  void openOutput();
  void buildIncludeList();
  void compile();
  void finish();

  void defineMacro(std::string_view text) override { preprocessor_.defineFromCommandLine(text); }
  void undefineMacro(std::string_view name) override {
    preprocessor_.undefineFromCommandLine(name);
  }
  void undefinePredefined() override { preprocessor_.undefinePredefined(); }
  void openErrorFile(const std::string& name) override;
  void printBanner() override;
  void printNote(std::string_view text) override;

  ProgramEnvironment environment_;
  std::FILE* console_;
  RunOptions options_;
  Diagnostics diagnostics_;
  Preprocessor preprocessor_;
  SectionTable sections_;
  FunctionMarks marks_;
  OutputFile output_;
  std::unique_ptr<WorkFile> spillFile_;   // TP
  std::unique_ptr<WorkFile> inlineFile_;  // TQ
  std::FILE* errorFile_ = nullptr;
  std::vector<std::string> includeDirs_;
  std::string currentDirectory_;
  std::string workDirectory_;
};

}  // namespace kz::cfront
