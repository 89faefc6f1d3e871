#include "clike/listing_references.h"

namespace kz::clike {

ReferenceRecorder::ReferenceRecorder(DiskWorkFile& file, std::string mainName) : file_(file) {
  fileNames_.push_back(std::move(mainName));
}

std::uint16_t ReferenceRecorder::fileNumber(int depth, const std::string& name) {
  if (depth == 0) return 0;
  auto [at, added] = numbers_.try_emplace(name, static_cast<std::uint16_t>(fileNames_.size()));
  if (added) fileNames_.push_back(name);
  return at->second;
}

bool ReferenceRecorder::record(std::uint32_t symbol, std::uint32_t line, std::uint16_t file) {
  // A line beyond 16 bits has no number in the record, and 0xFFFF ends the file.
  if (line >= kEndOfReferences) return true;
  return put(symbol, line, file);
}

bool ReferenceRecorder::put(std::uint32_t symbol, std::uint32_t line, std::uint16_t file) {
  unsigned char bytes[kRecordSize] = {static_cast<unsigned char>(line & 0xFF),
                                      static_cast<unsigned char>(line >> 8 & 0xFF),
                                      static_cast<unsigned char>(file & 0xFF),
                                      static_cast<unsigned char>(file >> 8 & 0xFF),
                                      static_cast<unsigned char>(symbol & 0xFF),
                                      static_cast<unsigned char>(symbol >> 8 & 0xFF),
                                      static_cast<unsigned char>(symbol >> 16 & 0xFF),
                                      static_cast<unsigned char>(symbol >> 24 & 0xFF)};
  return file_.write(bytes, sizeof bytes);
}

bool ReferenceRecorder::read(std::size_t symbols, CrossReference& references) {
  references.bySymbol.assign(symbols, {});
  references.fileNames = fileNames_;
  if (!put(0, kEndOfReferences, 0) || !file_.closeForWriting() || !file_.openForReading())
    return false;
  unsigned char bytes[kRecordSize];
  while (file_.read(bytes, sizeof bytes) == sizeof bytes) {
    std::uint32_t line = bytes[0] | static_cast<std::uint32_t>(bytes[1]) << 8;
    if (line == kEndOfReferences) break;
    auto file = static_cast<std::uint16_t>(bytes[2] | bytes[3] << 8);
    std::uint32_t symbol = bytes[4] | static_cast<std::uint32_t>(bytes[5]) << 8 |
                           static_cast<std::uint32_t>(bytes[6]) << 16 |
                           static_cast<std::uint32_t>(bytes[7]) << 24;
    if (symbol < symbols) references.bySymbol[symbol].push_back({line, file});
  }
  file_.closeForReading();
  return true;
}

}  // namespace kz::clike
