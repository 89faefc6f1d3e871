#pragma once
// Starting a tool. The driver only needs "start this path with {name, -z@} and this
// environment block, wait, give me the status", so tests substitute a recorder.
#include <optional>
#include <string>
#include <vector>

namespace kz::driver {

class ToolRunner {
 public:
  virtual ~ToolRunner() = default;
  // The tool's exit status, or nothing when it could not be started.
  virtual std::optional<int> run(const std::string& path, const std::string& name,
                                 const std::vector<std::string>& environmentBlock) = 0;
};

// posix_spawn and waitpid. A tool killed by a signal counts as status 128 + signal.
class ProcessRunner : public ToolRunner {
 public:
  std::optional<int> run(const std::string& path, const std::string& name,
                         const std::vector<std::string>& environmentBlock) override;
};

}  // namespace kz::driver
