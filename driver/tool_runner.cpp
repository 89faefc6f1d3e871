#include "driver/tool_runner.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "common/handover.h"

namespace kz::driver {

std::optional<int> ProcessRunner::run(const std::string& path, const std::string& name,
                                      const std::vector<std::string>& environmentBlock) {
  if (::access(path.c_str(), X_OK) != 0) return std::nullopt;
  std::string programName = name;
  std::string flag = kHandoverFlag;
  char* argv[] = {programName.data(), flag.data(), nullptr};
  std::vector<std::string> entries = environmentBlock;
  std::vector<char*> envp;
  for (std::string& entry : entries) envp.push_back(entry.data());
  envp.push_back(nullptr);
  pid_t child = 0;
  if (::posix_spawn(&child, path.c_str(), nullptr, nullptr, argv, envp.data()) != 0)
    return std::nullopt;
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return std::nullopt;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return 1;
}

}  // namespace kz::driver
