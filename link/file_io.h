#pragma once
// Files of the linker and librarian: inputs read whole in large blocks; outputs written to
// work files beside their final names, registered for removal, and renamed into place only
// once every output of the run is complete. So an error, an interrupt or a termination
// never leaves a partial image, map or library behind.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kz::link {

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path);

class OutputSet {
 public:
  OutputSet() = default;
  ~OutputSet();  // removes whatever was not committed
  OutputSet(const OutputSet&) = delete;
  OutputSet& operator=(const OutputSet&) = delete;

  // Writes bytes to a work file that will become path; false when that fails.
  bool add(const std::string& path, const std::vector<std::uint8_t>& bytes);
  // Renames every work file to its final name; false (and nothing half done is left) when
  // a rename fails; failedPath then names it.
  bool commit(std::string& failedPath);

 private:
  struct Pending {
    std::string work;
    std::string path;
  };
  std::vector<Pending> pending_;
};

}  // namespace kz::link
