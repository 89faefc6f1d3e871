#include "clike/file_names.h"

#include "clike/fatal.h"
#include "common/host_path.h"

namespace kz::clike {
namespace {

constexpr std::size_t kMaxNameLength = 259;
constexpr std::size_t kMaxExtensionLength = 3;

std::string_view finalComponent(std::string_view name) {
  std::string_view component = fileNameOf(name);
  std::size_t colon = component.rfind(':');
  return colon == std::string_view::npos ? component : component.substr(colon + 1);
}

}  // namespace

void checkFileName(std::string_view name) {
  if (name.size() > kMaxNameLength)
    raiseFatal(Message::illegalFileSpecification, std::string(name));
  std::string_view component = finalComponent(name);
  bool wildcard = component.find_first_of("?*") != std::string_view::npos;
  // A component of dots only ("." or "..") has no extension.
  bool dotsOnly = component.find_first_not_of('.') == std::string_view::npos;
  std::size_t dot = component.rfind('.');
  bool longExtension = !dotsOnly && dot != std::string_view::npos &&
                       component.size() - dot - 1 > kMaxExtensionLength;
  if (wildcard || longExtension) raiseFatal(Message::illegalFileSpecification, std::string(name));
}

std::string baseNameOf(std::string_view sourceName) {
  std::string_view component = finalComponent(sourceName);
  std::size_t dot = component.rfind('.');
  if (dot != std::string_view::npos && dot > 0) component = component.substr(0, dot);
  return std::string(component);
}

std::string moduleNameOf(std::string_view sourceName) {
  std::string name = baseNameOf(sourceName);
  for (char& c : name) {
    bool alphanumeric = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!alphanumeric) c = '_';
  }
  return name;
}

std::string defaultOutputName(const std::string& currentDirectory, std::string_view sourceName,
                              std::string_view suffix) {
  std::string directory = currentDirectory;
  if (directory.empty() || !isSeparator(directory.back())) directory += '/';
  return directory + baseNameOf(sourceName) + std::string(suffix);
}

void checkDistinctFiles(const std::vector<std::string>& names) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    for (std::size_t j = i + 1; j < names.size(); ++j) {
      if (sameFile(withHostSeparators(names[i]), withHostSeparators(names[j]))) {
        raiseFatal(Message::filesAreTheSame, names[j]);
      }
    }
  }
}

}  // namespace kz::clike
