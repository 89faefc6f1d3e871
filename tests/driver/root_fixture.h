#pragma once
// A fixture for one configured driver: an installation root in a temporary directory with
// the environment file and every tool in bin/, runs through the recording tool runner, and
// the -# lines with the root written as "@" and the temporaries as T0 and T1.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "tests/driver/fake_runner.h"

namespace kz::driver {

using Words = std::vector<std::string>;

class DriverRootTest : public ::testing::Test {
 protected:
  explicit DriverRootTest(const DriverConfig& config) : config_(config) {}

  void SetUp() override {
    std::string name(config_.environmentFile.substr(0, config_.environmentFile.find('.')));
    root_ =
        (std::filesystem::temp_directory_path() / ("kz" + name + "-" + std::to_string(::getpid())))
            .string();
    std::filesystem::create_directories(root_ + "/etc");
    std::filesystem::create_directories(root_ + "/bin");
    std::ofstream(root_ + "/etc/" + std::string(config_.environmentFile)) << "Version 1.0\n";
    for (const ToolRule& tool : config_.tools) {
      std::string path = root_ + "/bin/" + std::string(tool.name);
      std::ofstream(path) << "";
      ::chmod(path.c_str(), 0755);
    }
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  // Counts the files the run left in the root whose names start with "T" (the temporaries).
  int run(Words arguments, Words environment = {}) {
    arguments.insert(arguments.begin(), "driver");
    environment.insert(environment.end(), {"KHOMEZEL=" + root_, "TMP=" + root_});
    out_.str("");
    err_.str("");
    runner_.starts.clear();
    Driver driver(config_, ProgramEnvironment(arguments, environment), runner_, out_, err_);
    int status = driver.run();
    leftovers_ = 0;
    for (const auto& entry : std::filesystem::directory_iterator(root_))
      leftovers_ += entry.path().filename().string().starts_with("T");
    return status;
  }

  std::string printed() const { return shown(out_.str()); }
  std::string shown(std::string text) const {
    std::string stem = root_ + "/" + std::string(config_.keptTemplate.substr(1, 2));
    for (auto [from, to] : {std::pair<std::string, std::string>{stem + "000000", "T0"},
                            {stem + "000001", "T1"},
                            {root_ + "/bin/", ""},
                            {root_, "@"}}) {
      for (std::size_t at; (at = text.find(from)) != std::string::npos;)
        text.replace(at, from.size(), to);
    }
    return text;
  }
  // The argument words of one recorded start, after the seven entries of the block's head.
  Words words(std::size_t start) const {
    const Words& block = runner_.starts.at(start).block;
    return Words(block.begin() + 7, block.end());
  }

  const DriverConfig& config_;
  std::string root_;
  FakeRunner runner_;
  std::ostringstream out_, err_;
  int leftovers_ = 0;
};

}  // namespace kz::driver
