#pragma once
// A tool runner for driver tests: records every start and answers with the next queued
// status (0 when none is queued; nothing, that is "cannot start", for a queued -1).
#include <optional>
#include <string>
#include <vector>

#include "driver/tool_runner.h"

namespace kz::driver {

class FakeRunner : public ToolRunner {
 public:
  struct Start {
    std::string path, name;
    std::vector<std::string> block;
  };
  std::optional<int> run(const std::string& path, const std::string& name,
                         const std::vector<std::string>& block) override {
    starts.push_back({path, name, block});
    int status = statuses.empty() ? 0 : statuses.front();
    if (!statuses.empty()) statuses.erase(statuses.begin());
    if (status < 0) return std::nullopt;
    return status;
  }
  std::vector<Start> starts;
  std::vector<int> statuses;
};

}  // namespace kz::driver
