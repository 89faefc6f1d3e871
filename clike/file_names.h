#pragma once
// Names of the run's files: the checks every given name passes, the module name and the
// default output names, and the check that no two files are the same.
#include <string>
#include <string_view>
#include <vector>

namespace kz::clike {

// Fatal 101: longer than 259 characters, a final component holding '?' or '*', or an
// extension longer than three characters.
void checkFileName(std::string_view name);

// The final component (after the last separator or ':') without its extension.
std::string baseNameOf(std::string_view sourceName);

// The base name with every character other than a letter or digit replaced by '_'.
std::string moduleNameOf(std::string_view sourceName);

// "<directory>/<base name><suffix>" for an output in the current directory.
std::string defaultOutputName(const std::string& currentDirectory, std::string_view sourceName,
                              std::string_view suffix);

// Fatal 107, naming the second of two names that are the same file.
void checkDistinctFiles(const std::vector<std::string>& names);

}  // namespace kz::clike
