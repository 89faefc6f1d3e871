#pragma once
// The linker's command line: every word a driver passes is accepted (docs/linker.md).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/diagnostics.h"

namespace kz::link {

enum class ImageFormat : std::uint8_t { ieee, intelHex, motorola, binary };

struct RunOptions {
  std::vector<std::string> objects;             // in command-line order
  std::vector<std::string> libraries;           // .lib words
  std::vector<std::string> commandFiles;        // .lcf and .lnk words
  std::vector<std::string> libraryDirectories;  // -L
  std::vector<std::string> forcedSymbols;       // -u
  std::optional<std::string> output;            // -o
  std::optional<std::string> mapFile;           // -lf
  std::optional<std::string> errorFile;         // -e
  std::optional<std::string> symbolFile;        // -gm
  std::optional<ImageFormat> format;            // -O, -GF
  bool formattedImage = false;                  // -GF: Intel HEX, named .abf by default
  std::optional<std::uint8_t> fill;             // -F
  bool quiet = false;                           // -$
  bool verbose = false;                         // -V
  bool relocatable = false;                     // -r
  bool keepOnError = false;                     // -k
  bool publicsInImage = false;                  // -ga
  bool noSymbols = false;                       // -ng
  bool mapBesideOutput = false;                 // -Mm
  bool summary = false;                         // -T
  bool warnings = true;                         // -w0 turns them off
  bool help = false;
  bool version = false;
  std::vector<std::string> words;  // as given, for the map and the image's command line
};

// Reads the words; a bad option or a missing argument is fatal (thrown).
RunOptions parseCommandLine(const std::vector<std::string>& words, Diagnostics& diagnostics);

// The file suffix of a format ("abs", "hex", "s19", "bin").
std::string_view formatSuffix(ImageFormat format);

}  // namespace kz::link
