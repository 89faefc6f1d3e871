#pragma once
// The settings of one assembler run, filled from the command line, command files and the
// option lines at the top of the source, then read by every pass.
#include <optional>
#include <string>
#include <vector>

namespace kz::assembler {

enum class ListingKind { none, plain, sourceOnly, crossRef };

// Fill values for the bytes skipped in each section kind; absent = left undefined.
struct FillSettings {
  std::optional<int> code;
  std::optional<int> data;
  std::optional<int> romData;
};

struct RunOptions {
  std::string sourceFileName;
  std::optional<std::string> errorFileName;
  std::vector<std::string> includeDirs;  // normalised, each ending in '/'
  std::optional<int> debugLevel;         // 0 or 1 when -g was given
  bool hexSuffix = false;
  bool listingOn = false;
  ListingKind listingKind = ListingKind::none;
  bool paged = false;
  int pageLength = 65535;
  int lineWidth = 256;
  std::optional<std::string> listingFileName;
  std::optional<std::string> objectFileName;
  bool noOptimize = false;
  bool verbose = false;
  bool suppressWarnings = false;
  bool syntaxOnly = false;
  bool quiet = false;
  bool noEscapes = false;
  bool ignoreTitles = false;
  bool eightBitText = false;
  bool keepObjectOnError = false;
  std::optional<std::string> messageName;
  bool quietWarnings = false;
  bool diskWorkFiles = false;
  FillSettings fill;
  bool environmentArguments = false;
};

}  // namespace kz::assembler
