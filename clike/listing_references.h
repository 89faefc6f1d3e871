#pragma once
// The cross reference behind the symbol definition list (-lx3): every appearance of a name
// is one 8-byte record of work file 2 (the line in its file, the file's number, the
// symbol's number), read back at the end into the lines of each symbol.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "clike/work_files.h"

namespace kz::clike {

struct SourceReference {
  std::uint32_t line = 0;  // within its file
  std::uint16_t file = 0;  // 0: the main source, else an include file's number
};

struct CrossReference {
  std::vector<std::vector<SourceReference>> bySymbol;  // by SymbolEntry::order
  std::vector<std::string> fileNames;                  // by file number; 0 is the main source
};

class ReferenceRecorder {
 public:
  static constexpr std::size_t kRecordSize = 8;
  static constexpr std::uint32_t kEndOfReferences = 0xFFFF;

  ReferenceRecorder(DiskWorkFile& file, std::string mainName);

  // The number of a file by its name: an include file read twice keeps its number.
  std::uint16_t fileNumber(int depth, const std::string& name);
  // False when the write failed. Lines from 0xFFFF on are not recorded.
  bool record(std::uint32_t symbol, std::uint32_t line, std::uint16_t file);
  // Ends the file with its end record and reads it back; false when that failed.
  bool read(std::size_t symbols, CrossReference& references);

 private:
  bool put(std::uint32_t symbol, std::uint32_t line, std::uint16_t file);

  DiskWorkFile& file_;
  std::vector<std::string> fileNames_;
  std::unordered_map<std::string, std::uint16_t> numbers_;
};

}  // namespace kz::clike
