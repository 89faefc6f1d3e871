#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include "link/file_io.h"

namespace kz::link {
namespace {

std::vector<std::string> filesIn(const std::string& directory) {
  std::vector<std::string> names;
  DIR* listing = ::opendir(directory.c_str());
  while (dirent* entry = ::readdir(listing)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(listing);
  std::sort(names.begin(), names.end());
  return names;
}

TEST(OutputSet, NothingAppearsUntilEveryOutputIsCommitted) {
  char directory[] = "/tmp/kz_outputs_XXXXXX";
  ASSERT_NE(::mkdtemp(directory), nullptr);
  std::string base = directory;
  {
    OutputSet outputs;
    ASSERT_TRUE(outputs.add(base + "/image.abs", {1, 2, 3}));
    ASSERT_TRUE(outputs.add(base + "/image.map", {'m'}));
    // Only the two work files exist, under names that are not the outputs'.
    std::vector<std::string> during = filesIn(base);
    ASSERT_EQ(during.size(), 2u);
    EXPECT_EQ(during[0].rfind(".lnkzel", 0), 0u);
    std::string failed;
    ASSERT_TRUE(outputs.commit(failed));
  }
  EXPECT_EQ(filesIn(base), (std::vector<std::string>{"image.abs", "image.map"}));
  EXPECT_EQ(readWholeFile(base + "/image.abs"), (std::vector<std::uint8_t>{1, 2, 3}));
  {
    // An abandoned set (an error after the first output) leaves no trace.
    OutputSet outputs;
    ASSERT_TRUE(outputs.add(base + "/other.abs", {4}));
    EXPECT_FALSE(outputs.add(base + "/missing/dir/x.map", {5}));
  }
  EXPECT_EQ(filesIn(base), (std::vector<std::string>{"image.abs", "image.map"}));
  EXPECT_FALSE(readWholeFile(base + "/none"));
  EXPECT_FALSE(readWholeFile(base));  // a directory is not an input
  for (const std::string& name : filesIn(base)) ::unlink((base + "/" + name).c_str());
  ::rmdir(base.c_str());
}

}  // namespace
}  // namespace kz::link
