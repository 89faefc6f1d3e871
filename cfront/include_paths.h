#pragma once
// The directories a run works with: the current directory as the front end keeps it, and
// the ordered list of include directories.
#include <optional>
#include <string>
#include <vector>

namespace kz::cfront {

// The directory with one trailing separator. A '\' that is the second byte of a Shift-JIS
// double-byte character is part of that character, not a separator.
std::string withDirectorySeparator(std::string directory);

struct IncludeRoots {
  std::optional<std::string> khomezel;
  std::optional<std::string> khome;
  std::optional<std::string> aboveExecutable;  // the root the program itself lives in
};

// Slot 0 the primary file's directory; then the -I directories (a relative one made
// absolute against the current directory); then <KHOMEZEL>/include/ and <KHOME>/include/,
// or, when neither is set, the program's own root's include/ and the current directory.
std::vector<std::string> includeDirectoryList(const std::optional<std::string>& inputName,
                                              const std::vector<std::string>& includeOptions,
                                              const std::string& currentDirectory,
                                              const IncludeRoots& roots);

}  // namespace kz::cfront
