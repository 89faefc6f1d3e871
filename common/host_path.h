#pragma once
// Host rules for file names: both '/' and '\' separate directories, names we build use '/',
// device names of the console host keep their checks, and outputs named after the console
// or a printer go to standard output.
#include <optional>
#include <string>
#include <string_view>

namespace kz {

// Replaces every '\' with '/'.
std::string withHostSeparators(std::string_view name);

bool isSeparator(char c);
// Begins with '/' or '\'.
bool isAbsoluteName(std::string_view name);
// Second character is ':' (a drive name, used exactly as given).
bool hasDriveName(std::string_view name);

// The final component (after the last separator).
std::string_view fileNameOf(std::string_view name);
// The directory part including its trailing separator, or "" when there is none.
std::string_view directoryOf(std::string_view name);
// Text after the last '.' of the final component, or "" when there is none.
std::string_view extensionOf(std::string_view name);
// The final component without its last extension.
std::string_view stemOf(std::string_view name);

// Absolute against the current directory with '.' and '..' folded, '/' separators.
// Drive names are returned unchanged. Empty when the name is empty or the current
// directory is unknown.
std::optional<std::string> resolveFullPath(std::string_view name);

// Equal resolved paths, or both exist and are the same file on disk.
bool sameFile(std::string_view first, std::string_view second);

bool fileExists(const std::string& name);

enum class DeviceKind { none, console, other };
// con, lst, prn, lpt1-lpt3 are console devices (their output goes to standard output);
// aux, aux1, aux2, com1-com4, clock, clock$ are other devices. The final component is
// compared without regard to case, alone or followed by '.' and an extension.
DeviceKind deviceKindOf(std::string_view name);

}  // namespace kz
