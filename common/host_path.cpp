#include "common/host_path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <vector>

namespace kz {

std::string withHostSeparators(std::string_view name) {
  std::string result(name);
  std::replace(result.begin(), result.end(), '\\', '/');
  return result;
}

bool isSeparator(char c) { return c == '/' || c == '\\'; }

bool isAbsoluteName(std::string_view name) { return !name.empty() && isSeparator(name[0]); }

bool hasDriveName(std::string_view name) { return name.size() >= 2 && name[1] == ':'; }

std::string_view fileNameOf(std::string_view name) {
  auto last = name.find_last_of("/\\");
  return last == std::string_view::npos ? name : name.substr(last + 1);
}

std::string_view directoryOf(std::string_view name) {
  auto last = name.find_last_of("/\\");
  return last == std::string_view::npos ? std::string_view{} : name.substr(0, last + 1);
}

std::string_view extensionOf(std::string_view name) {
  std::string_view file = fileNameOf(name);
  auto dot = file.rfind('.');
  return dot == std::string_view::npos ? std::string_view{} : file.substr(dot + 1);
}

std::string_view stemOf(std::string_view name) {
  std::string_view file = fileNameOf(name);
  auto dot = file.rfind('.');
  return dot == std::string_view::npos ? file : file.substr(0, dot);
}

namespace {

std::optional<std::string> currentDirectory() {
  std::vector<char> buffer(4096);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE || buffer.size() > (1u << 20)) return std::nullopt;
    buffer.resize(buffer.size() * 2);
  }
  return std::string(buffer.data());
}

std::string foldComponents(std::string_view path) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    std::string_view part = path.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string result;
  for (std::string_view part : parts) {
    result += '/';
    result += part;
  }
  return result.empty() ? "/" : result;
}

}  // namespace

std::optional<std::string> resolveFullPath(std::string_view name) {
  if (name.empty()) return std::nullopt;
  if (hasDriveName(name)) return std::string(name);
  std::string path = withHostSeparators(name);
  if (!isAbsoluteName(path)) {
    auto cwd = currentDirectory();
    if (!cwd) return std::nullopt;
    path = *cwd + "/" + path;
  }
  return foldComponents(path);
}

bool sameFile(std::string_view first, std::string_view second) {
  auto a = resolveFullPath(first);
  auto b = resolveFullPath(second);
  if (!a || !b) return false;
  if (*a == *b) return true;
  struct stat sa {
  }, sb{};
  if (::stat(a->c_str(), &sa) != 0 || ::stat(b->c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool fileExists(const std::string& name) {
  struct stat info {};
  return ::stat(withHostSeparators(name).c_str(), &info) == 0;
}

namespace {

struct DeviceName {
  std::string_view name;
  DeviceKind kind;
};

constexpr std::array<DeviceName, 15> kDeviceNames{{
    {"con", DeviceKind::console},
    {"lst", DeviceKind::console},
    {"prn", DeviceKind::console},
    {"lpt1", DeviceKind::console},
    {"lpt2", DeviceKind::console},
    {"lpt3", DeviceKind::console},
    {"aux", DeviceKind::other},
    {"aux1", DeviceKind::other},
    {"aux2", DeviceKind::other},
    {"com1", DeviceKind::other},
    {"com2", DeviceKind::other},
    {"com3", DeviceKind::other},
    {"com4", DeviceKind::other},
    {"clock", DeviceKind::other},
    {"clock$", DeviceKind::other},
}};

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

DeviceKind deviceKindOf(std::string_view name) {
  std::string_view file = fileNameOf(name);
  std::string_view stem = file.substr(0, std::min(file.find('.'), file.size()));
  for (const DeviceName& device : kDeviceNames) {
    if (equalsIgnoringCase(stem, device.name)) return device.kind;
  }
  return DeviceKind::none;
}

}  // namespace kz
