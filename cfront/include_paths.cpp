#include "cfront/include_paths.h"

#include "cfront/source_text.h"
#include "common/host_path.h"
#include "common/install_root.h"

namespace kz::cfront {

std::string withDirectorySeparator(std::string directory) {
  bool endsInSeparator = false;
  for (std::size_t at = 0; at < directory.size(); ++at) {
    auto c = static_cast<unsigned char>(directory[at]);
    if (isShiftJisLead(c) && at + 1 < directory.size()) {
      ++at;
      endsInSeparator = false;
      continue;
    }
    endsInSeparator = isSeparator(static_cast<char>(c));
  }
  if (!endsInSeparator) directory += '/';
  return directory;
}

std::vector<std::string> includeDirectoryList(const std::optional<std::string>& inputName,
                                              const std::vector<std::string>& includeOptions,
                                              const std::string& currentDirectory,
                                              const IncludeRoots& roots) {
  std::vector<std::string> list;
  list.emplace_back(inputName ? directoryOf(*inputName) : std::string_view{});
  for (const std::string& directory : includeOptions) {
    bool asGiven = isAbsoluteName(directory) || directory.find(':') != std::string::npos;
    list.push_back(withDirectorySeparator(asGiven ? directory : currentDirectory + directory));
  }
  auto rootInclude = [](const std::string& root) {
    return withDirectorySeparator(withoutTrailingSeparator(root)) + "include/";
  };
  if (roots.khomezel) list.push_back(rootInclude(*roots.khomezel));
  if (roots.khome) list.push_back(rootInclude(*roots.khome));
  if (!roots.khomezel && !roots.khome) {
    if (roots.aboveExecutable) list.push_back(rootInclude(*roots.aboveExecutable));
    list.push_back(currentDirectory);
  }
  return list;
}

}  // namespace kz::cfront
