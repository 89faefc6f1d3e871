#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "common/host_path.h"
#include "common/work_file.h"

namespace kz {
namespace {

TEST(HostPath, NamePartsAcceptBothSeparators) {
  EXPECT_EQ(fileNameOf("dir\\sub/name.ext"), "name.ext");
  EXPECT_EQ(directoryOf("dir\\sub/name.ext"), "dir\\sub/");
  EXPECT_EQ(extensionOf("dir.d/name"), "");
  EXPECT_EQ(extensionOf("a.b.c"), "c");
  EXPECT_EQ(stemOf("src\\prog.v2.asm"), "prog.v2");
  EXPECT_TRUE(isAbsoluteName("\\root"));
  EXPECT_TRUE(hasDriveName("c:\\x"));
}

TEST(HostPath, ResolveFoldsDotsAgainstCurrentDirectory) {
  std::string cwd = std::filesystem::current_path().string();
  EXPECT_EQ(resolveFullPath("a/./b/../c.asm"), cwd + "/a/c.asm");
  EXPECT_EQ(resolveFullPath("\\x\\..\\y"), "/y");
  EXPECT_EQ(resolveFullPath("/.."), "/");
  EXPECT_EQ(resolveFullPath("d:name"), "d:name");
  EXPECT_FALSE(resolveFullPath(""));
}

TEST(HostPath, SameFileByPathOrInode) {
  auto dir = std::filesystem::temp_directory_path() / ("kzsame-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  auto file = dir / "a.asm";
  std::FILE* f = std::fopen(file.c_str(), "w");
  std::fclose(f);
  std::filesystem::create_hard_link(file, dir / "b.asm");
  EXPECT_TRUE(sameFile(file.string(), (dir / "x/../a.asm").string()));
  EXPECT_TRUE(sameFile(file.string(), (dir / "b.asm").string()));
  EXPECT_FALSE(sameFile(file.string(), (dir / "c.asm").string()));
  std::filesystem::remove_all(dir);
}

TEST(HostPath, DeviceNames) {
  EXPECT_EQ(deviceKindOf("CON"), DeviceKind::console);
  EXPECT_EQ(deviceKindOf("dir/lpt3.lst"), DeviceKind::console);
  EXPECT_EQ(deviceKindOf("Clock$"), DeviceKind::other);
  EXPECT_EQ(deviceKindOf("com4.rel"), DeviceKind::other);
  EXPECT_EQ(deviceKindOf("console"), DeviceKind::none);
  EXPECT_EQ(deviceKindOf("com5"), DeviceKind::none);
}

void exerciseWorkFile(WorkFile& file) {
  std::string block(100000, 'x');
  block[99999] = 'y';
  ASSERT_TRUE(file.write(block.data(), block.size()));
  ASSERT_TRUE(file.write("tail", 4));
  EXPECT_EQ(file.size(), 100004u);
  ASSERT_TRUE(file.seek(99999));
  char back[8] = {};
  EXPECT_EQ(file.read(back, sizeof back), 5u);
  EXPECT_EQ(std::string(back, 5), "ytail");
  ASSERT_TRUE(file.seek(0));
  ASSERT_TRUE(file.write("AB", 2));  // overwrite in place
  ASSERT_TRUE(file.seek(0));
  EXPECT_EQ(file.read(back, 3), 3u);
  EXPECT_EQ(std::string(back, 3), "ABx");
  EXPECT_FALSE(file.failed());
}

TEST(WorkFiles, MemoryAndDiskBehaveAlike) {
  auto memory = createMemoryFile("TP");
  exerciseWorkFile(*memory);
  EXPECT_FALSE(memory->seek(200000));

  auto dir = std::filesystem::temp_directory_path() / ("kzwork-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  auto disk = createDiskWorkFile(dir.string() + "/", "TQ");
  ASSERT_TRUE(disk);
  EXPECT_EQ(std::filesystem::path(disk->name()).filename().string().substr(0, 2), "TQ");
  EXPECT_EQ(std::filesystem::path(disk->name()).filename().string().size(), 8u);
  exerciseWorkFile(*disk);
  EXPECT_TRUE(disk->discard());
  EXPECT_TRUE(std::filesystem::is_empty(dir));
  EXPECT_FALSE(createDiskWorkFile(dir.string() + "/missing/", "TR"));
  std::filesystem::remove_all(dir);
}

std::string patterned(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
  return bytes;
}

std::string readAll(WorkFile& file, std::size_t size) {
  std::string bytes(size, '\0');
  bytes.resize(file.read(bytes.data(), size));
  return bytes;
}

// A reader that never goes back lets a memory file free what it has read; the bytes after
// the release point still read back exactly, and going back before it fails without moving.
TEST(WorkFiles, MemoryFileReleasesWhatHasBeenRead) {
  const std::string bytes = patterned(300000);
  auto file = createMemoryFile("TP");
  ASSERT_TRUE(file->write(bytes.data(), bytes.size()));
  ASSERT_TRUE(file->seek(0));
  EXPECT_EQ(readAll(*file, 150000), bytes.substr(0, 150000));

  file->releaseBefore(file->tell());
  file->releaseBefore(file->size());  // beyond the reading position: kept up to there
  EXPECT_EQ(file->tell(), 150000u);
  EXPECT_FALSE(file->seek(0));
  EXPECT_FALSE(file->seek(65536));
  EXPECT_EQ(file->tell(), 150000u);
  EXPECT_EQ(readAll(*file, 100000), bytes.substr(150000, 100000));

  ASSERT_TRUE(file->seek(150000));  // the release point itself stays readable
  EXPECT_EQ(readAll(*file, 200000), bytes.substr(150000));
  ASSERT_TRUE(file->write("more", 4));
  ASSERT_TRUE(file->seek(bytes.size()));
  EXPECT_EQ(readAll(*file, 10), "more");
  EXPECT_FALSE(file->failed());

  EXPECT_TRUE(file->discard());
  ASSERT_TRUE(file->write("new", 3));
  ASSERT_TRUE(file->seek(0));
  EXPECT_EQ(readAll(*file, 10), "new");
}

TEST(WorkFiles, DiskFileKeepsWhatHasBeenRead) {
  auto dir = std::filesystem::temp_directory_path() / ("kzkeep-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  auto file = createDiskWorkFile(dir.string() + "/", "TP");
  ASSERT_TRUE(file);
  const std::string bytes = patterned(200000);
  ASSERT_TRUE(file->write(bytes.data(), bytes.size()));
  file->releaseBefore(file->tell());
  ASSERT_TRUE(file->seek(0));
  EXPECT_EQ(readAll(*file, bytes.size()), bytes);
  EXPECT_TRUE(file->discard());
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kz
