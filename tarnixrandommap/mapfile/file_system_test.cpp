#include "tarnixrandommap/mapfile/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <fstream>
#include <string>
#include <vector>

#include "tests/file_test_support.h"

namespace tarnix {
namespace {

class DiskFileSystemTest : public testing::TempDirTest {
 protected:
  bool replace(const std::string& name, const std::vector<std::string_view>& parts,
               std::string* err) {
    return disk_.replace_file(path(name), parts, err);
  }

  DiskFileSystem disk_;
};

TEST_F(DiskFileSystemTest, WritesAllPartsAndLeavesNoTemporaryFile) {
  std::string err;
  ASSERT_TRUE(replace("a.map", {"head\r\n", "", "rows\r\n", "tail"}, &err)) << err;
  EXPECT_EQ(read_file("a.map"), "head\r\nrows\r\ntail");
  EXPECT_EQ(entries(), std::vector<std::string>{"a.map"});
}

TEST_F(DiskFileSystemTest, ReplacesAnExistingFile) {
  std::ofstream(path("a.map")) << "an older and longer map file";
  std::string err;
  ASSERT_TRUE(replace("a.map", {"new"}, &err)) << err;
  EXPECT_EQ(read_file("a.map"), "new");
}

TEST_F(DiskFileSystemTest, NewFileGetsTheUmasksPermissions) {
  for (const mode_t mask : {mode_t{022}, mode_t{077}, mode_t{0}}) {
    const mode_t old = umask(mask);
    std::string err;
    const bool ok = replace("p.map", {"x"}, &err);
    umask(old);
    ASSERT_TRUE(ok) << err;
    struct stat st {};
    ASSERT_EQ(stat(path("p.map").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777U, 0666U & ~mask) << "umask " << std::oct << mask;
  }
}

// A directory in the way makes the final rename fail: the reason is
// reported, the directory and its contents stay, and the temporary file goes.
TEST_F(DiskFileSystemTest, FailureLeavesTheOldEntryAndNoTemporaryFile) {
  ASSERT_EQ(mkdir(path("b.map").c_str(), 0755), 0);
  std::ofstream(path("b.map/keep")) << "kept";
  std::string err;
  EXPECT_FALSE(replace("b.map", {"data"}, &err));
  EXPECT_EQ(err, "Is a directory");
  EXPECT_EQ(read_file("b.map/keep"), "kept");
  EXPECT_EQ(entries(), std::vector<std::string>{"b.map"});
}

TEST_F(DiskFileSystemTest, MissingDirectoryIsReported) {
  std::string err;
  EXPECT_FALSE(replace("no/such/dir.map", {"data"}, &err));
  EXPECT_EQ(err, "No such file or directory");
}

TEST(MemoryFileSystem, KeepsFilesAndFailsOnRequest) {
  MemoryFileSystem files;
  std::string err;
  const std::array<std::string_view, 2> parts = {"a", "b"};
  ASSERT_TRUE(files.replace_file("x.map", parts, &err));
  EXPECT_EQ(files.files.at("x.map"), "ab");
  files.fail_next = "Disk quota exceeded";
  EXPECT_FALSE(files.replace_file("x.map", parts, &err));
  EXPECT_EQ(err, "Disk quota exceeded");
  EXPECT_EQ(files.files.at("x.map"), "ab");
  EXPECT_TRUE(files.replace_file("y.map", parts, &err));  // only the next write fails
}

}  // namespace
}  // namespace tarnix
