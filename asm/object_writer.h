#pragma once
// The relocatable object file of one assembly: an IEEE-695 module.
//
//   E0 "KZEL" module            module begin
//   EC 08 02 CC                 address descriptor
//   64 bytes                    the eight part pointers, written at the end
//   W0 attribute part           F0 20 "", format 4.0, relocatable, case kept
//   W1 environment part         F0 21 "", date and time, command line, status, host, tool
//   W2 section part             E6 type, E7 alignment, E2 S size or E2 L base, per section
//   W3 external part            publics (E8, F1 I, E2 I) and the externals used (E9, F1 X)
//   W4 debug part               asm/object_debug.h
//   W5 data part                asm/object_data.h
//   W6 W7                       E1 module end
// A pointer is 0 when its part is empty.
//
// The file is created after the sizing passes, and the parts up to the environment part are
// written then. The final pass hands every statement over; its data part is built in
// memory, since the debug part before it depends on the debug directives of the whole final
// pass and the external part on the externals the data uses. complete() writes the rest
// through the record writer's one 8192-byte buffer and patches the header. The section
// sizes are those the final pass reached, so they agree with the data even when a statement
// failed.
//
// With -Xt nothing is written, but everything is built and counted alike, so the same
// messages (204) come out.
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "asm/debug_directives.h"
#include "asm/object_data.h"
#include "asm/object_debug.h"
#include "asm/object_expressions.h"
#include "asm/reporter.h"
#include "asm/run_options.h"
#include "asm/statement_output.h"
#include "asm/symbols.h"
#include "common/handover.h"
#include "object/record_writer.h"

namespace kz::assembler {

// Local time, or the time SOURCE_DATE_EPOCH gives (taken as UTC) when it holds a number.
ObjectTime assemblyTime(const ProgramEnvironment& environment);

struct ObjectHeader {
  std::string moduleName;
  std::string sourceName;   // as named on the command line
  std::string commandLine;  // every argument followed by one blank
  ObjectTime time;
};

class ObjectWriter final : public StatementSink {
 public:
  ObjectWriter(const RunOptions& options, SymbolTable& symbols, Reporter& reporter);
  ~ObjectWriter() override;
  ObjectWriter(const ObjectWriter&) = delete;
  ObjectWriter& operator=(const ObjectWriter&) = delete;

  // Creates the file named by the options (none with -Xt; fatal 20 when it cannot be
  // created) and writes the module up to the environment part.
  void open(const ObjectHeader& header);
  void statement(const EmittedStatement& statement) override;
  // Writes the section, external, debug and data parts and the module end, patches the part
  // pointers and the status (00, 01 warnings, 02 errors) and closes the file.
  void complete(std::span<const DebugRecord> debugRecords, int errorCount, int warningCount);
  // The run ended so that the complete file stays: neither discard() nor a signal removes it.
  void keep();
  // The abort path, and a run with errors: the file is closed and, unless kept, deleted when
  // it is a regular file (a device or a pipe the name stands for is left alone).
  void discard();

 private:
  void check(object::WriteStatus status) const;
  void write(const object::Record& record);
  void writeLog(const RecordLog& log);
  void attributePart();
  void environmentPart(const ObjectHeader& header);
  void sectionPart();
  RecordLog publicRecords();
  void externalRecords();

  const RunOptions& options_;
  SymbolTable& symbols_;
  Reporter& reporter_;
  std::string path_;
  bool registered_ = false;
  bool removable_ = false;
  bool completed_ = false;
  bool kept_ = false;
  std::unique_ptr<object::FileSink> sink_;
  std::unique_ptr<object::RecordWriter> writer_;
  ObjectIndices indices_;
  ExpressionBuilder expressions_;
  NameCounter names_;
  DataPartBuilder data_;
  ObjectHeader header_;
  std::uint64_t headerAt_ = 0;
  std::uint64_t statusAt_ = 0;
  object::PartOffsets parts_{};
};

}  // namespace kz::assembler
