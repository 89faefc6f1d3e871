#include "common/install_root.h"

#include <sys/stat.h>
#include <unistd.h>

#include "common/host_path.h"

namespace kz {

std::string withoutTrailingSeparator(std::string value) {
  if (!value.empty() && isSeparator(value.back())) value.pop_back();
  return value;
}

std::optional<std::string> rootAboveExecutable() {
  char buffer[4096];
  ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) return std::nullopt;
  std::string executable(buffer, static_cast<std::size_t>(length));
  std::string binDirectory(directoryOf(executable));
  if (binDirectory.size() < 2) return std::nullopt;
  binDirectory.pop_back();
  std::string root(directoryOf(binDirectory));
  if (root.empty()) return std::nullopt;
  root.pop_back();
  struct stat info {};
  if (::stat((root + "/etc").c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return std::nullopt;
  return root;
}

std::vector<std::string> installRootCandidates(const ProgramEnvironment& environment) {
  std::vector<std::string> roots;
  for (const char* variable : {"KHOMEZEL", "KHOME"}) {
    auto value = environment.lookup(variable);
    if (value && !value->empty()) roots.push_back(withoutTrailingSeparator(*value));
  }
  if (auto above = rootAboveExecutable()) roots.push_back(*above);
  roots.push_back(".");
  return roots;
}

}  // namespace kz
