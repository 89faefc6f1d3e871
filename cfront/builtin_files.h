#pragma once
// Builtin-function files: precompiled function bodies in intermediate form. A file is a header
// line with the number of functions, one index line per function with the byte offset of its
// body, then the bodies. Offsets count every line end as CR LF, so the file is written with
// CR LF; a reader takes CR LF or LF. Bodies live in the TQ work file while a run uses them:
// those being made, and those read from files, appended one file after another.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "cfront/diagnostics.h"
#include "cfront/line_sink.h"
#include "cfront/output_file.h"
#include "cfront/pragmas.h"
#include "common/work_file.h"

namespace kz::cfront {

inline constexpr std::size_t kHeaderLength = 8;  // "%08lu", without the line end
inline constexpr std::size_t kIndexLength = 41;  // "%-31s ,%08lu", without the line end
inline constexpr std::size_t kCopyBlock = 512;

// The index line of one function: the name in 31 columns, a blank, a comma, the offset.
std::string indexLine(std::string_view name, std::uint64_t offset);

// The TQ work file: appends at its end and reads bodies back. A failed seek is 123, a failed
// write 125.
class BodyStore {
 public:
  BodyStore(WorkFile& file, Diagnostics& diagnostics) : file_(file), diagnostics_(diagnostics) {}
  std::uint64_t size() const { return file_.size(); }
  void append(std::string_view bytes);
  // The lines from `offset` up to and including the "},1" that ends the function.
  std::string bodyAt(std::uint64_t offset);
  // Copies bytes [begin, end) of the store into the output in blocks.
  void copyTo(OutputFile& output, std::uint64_t begin, std::uint64_t end);

 private:
  void seek(std::uint64_t position);

  WorkFile& file_;
  Diagnostics& diagnostics_;
};

// Where a function definition's records begin and end, for a writer that keeps bodies.
class FunctionBodies {
 public:
  virtual ~FunctionBodies() = default;
  virtual void bodyBegins(std::string_view name) = 0;
  virtual void bodyEnds() = 0;
};

// -Xb: the records of each function body go to the store with CR LF line ends; all others
// are dropped. At the end the builtin-function file is written from the index and the store.
class BuiltinFileMaker : public LineSink, public FunctionBodies {
 public:
  explicit BuiltinFileMaker(BodyStore& store) : store_(store) {}

  void write(std::string_view text) override;
  void bodyBegins(std::string_view name) override;
  void bodyEnds() override;
  void writeFile(OutputFile& output);

 private:
  struct Entry {
    std::string name;
    std::uint64_t start;  // in the store, which also holds the bodies of files read
    std::uint64_t end;
  };
  BodyStore& store_;
  std::vector<Entry> entries_;
  bool inBody_ = false;
  std::string line_;  // the record being converted
};

// Reads builtin-function files (-Zf, #pragma builtin_file) into the store and enters their
// functions in the marks.
class BuiltinLibrary : public BuiltinFileReader {
 public:
  // includeDirs: the include directories, slot 0 the primary file's directory.
  BuiltinLibrary(BodyStore& store, Diagnostics& diagnostics, FunctionMarks& marks,
                 std::vector<std::string> includeDirs);

  // The declarations a name already has: none while the unit is not being parsed.
  void setLookUp(std::function<const Symbol*(std::string_view)> lookUp) {
    lookUp_ = std::move(lookUp);
  }
  void readBuiltinFile(const std::string& name, bool angled) override;

  // Where a builtin function's body stands in the store.
  std::optional<std::uint64_t> bodyOf(std::string_view name) const;

  // An inline function's definition, its records as written, kept in the store for its calls.
  void keepInlineBody(std::string_view name, std::string_view records);
  // The stored body of an inline function (`inlined`) or of a builtin one, as it stands in the
  // store; none when it has none.
  std::optional<std::string> storedBody(std::string_view name, bool inlined);

 private:
  struct Entry {
    std::string name;
    std::uint64_t bodyOffset;  // from the start of the bodies
  };
  std::optional<std::string> find(const std::string& name, bool angled) const;
  bool readIndex(std::string_view text, std::size_t& at, std::vector<Entry>& entries,
                 std::uint64_t& bodiesStart);
  void enter(const Entry& entry, std::uint64_t base);

  BodyStore& store_;
  Diagnostics& diagnostics_;
  FunctionMarks& marks_;
  std::vector<std::string> includeDirs_;
  std::function<const Symbol*(std::string_view)> lookUp_;
  std::unordered_map<std::string, std::uint64_t> bodies_;
  std::unordered_map<std::string, std::uint64_t> inlineBodies_;
};

// Where the numbers of a body copied in place of a call come from: the caller's counters.
struct FreshNumbers {
  std::function<std::uint32_t()> block;
  std::function<std::uint32_t()> label;
  std::function<std::uint32_t()> temporary;
};

// A stored body as it stands in place of a call: each block number ("{,n" / "},n", also with
// text after the number), label and temporary replaced by a fresh one, so that a body copied
// twice, or compiled in another run, clashes with nothing around it; CR LF taken as LF.
std::string renumberedBody(std::string_view body, const FreshNumbers& fresh);
// The number of parameter lines after the body's BEGIN, for the argument-count check.
std::size_t parameterCountOf(std::string_view body);
// Whether the function of the body takes more arguments after its parameters ("...").
bool takesVariableArguments(std::string_view body);

}  // namespace kz::cfront
