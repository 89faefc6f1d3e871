#pragma once
// The records the intermediate file gets from the preprocessor: "FILE"/"LINE" when the
// source file changes (not with -zF) and "DEFINE" for macros under debugFlags bit 0x04.
#include "cfront/output_file.h"
#include "cfront/preprocessor.h"

namespace kz::cfront {

class IntermediateRecords : public RecordSink {
 public:
  IntermediateRecords(OutputFile& output, const RunOptions& options)
      : output_(output), options_(options) {}

  void sourceFileEntered(const std::string& name, std::uint32_t line) override;
  void macroDefined(std::string_view name, std::string_view body) override;

 private:
  OutputFile& output_;
  const RunOptions& options_;
};

}  // namespace kz::cfront
