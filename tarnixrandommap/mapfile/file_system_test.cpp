#include "tarnixrandommap/mapfile/file_system.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/file_test_support.h"

namespace tarnix {
namespace {

using Temporary = DiskFileSystem::Temporary;
constexpr std::array<Temporary, 2> kTemporaries = {Temporary::kUnnamedFirst, Temporary::kNamedOnly};

const char* name_of(Temporary t) {
  return t == Temporary::kUnnamedFirst ? "unnamed" : "named";
}

bool is_root() {
  return geteuid() == 0;
}

struct stat stat_of(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
  return st;
}

class DiskFileSystemTest : public testing::TempDirTest {
 protected:
  static bool write(Temporary t, const std::string& path,
                    const std::vector<std::string_view>& parts, std::string* err) {
    DiskFileSystem disk(t);
    return disk.write_file(path, parts, err);
  }

  // Reads everything a FIFO at `name` receives, on a thread of its own.
  std::thread drain_fifo(const std::string& name, std::string* received) const {
    EXPECT_EQ(mkfifo(path(name).c_str(), 0600), 0);
    return std::thread([fifo = path(name), received] { *received = read_path(fifo); });
  }

  // Runs `body` in a child process as the user nobody, where permissions
  // apply as they do to most users, and returns what it returns.
  static std::string as_nobody(const std::function<std::string()>& body) {
    std::array<int, 2> fds{};
    EXPECT_EQ(pipe(fds.data()), 0);
    const pid_t pid = fork();
    if (pid == 0) {
      close(fds[0]);
      std::string result = "could not become nobody";
      if (setgid(65534) == 0 && setuid(65534) == 0) result = body();
      [[maybe_unused]] const ssize_t sent = ::write(fds[1], result.data(), result.size());
      _exit(0);
    }
    close(fds[1]);
    std::string result;
    std::array<char, 512> buffer{};
    for (ssize_t n = 0; (n = read(fds[0], buffer.data(), buffer.size())) > 0;)
      result.append(buffer.data(), static_cast<std::size_t>(n));
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    return result;
  }
};

// Names left by other runs, even in the old predictable pattern, never
// block a write, and a name as long as the directory allows is written.
TEST_F(DiskFileSystemTest, ReplacesAtOnceWithEitherKindOfTemporaryFile) {
  for (int n = 0; n < 100; ++n)
    write_file(".a.map." + std::to_string(getpid()) + "." + std::to_string(n) + ".tmp", "");
  const std::vector<std::string> decoys = entries();
  const std::string longest(255, 'n');
  for (const Temporary t : kTemporaries) {
    std::string err;
    ASSERT_TRUE(write(t, path("a.map"), {"head\r\n", "", "rows\r\n", "tail"}, &err)) << err;
    EXPECT_EQ(read_file("a.map"), "head\r\nrows\r\ntail") << name_of(t);
    ASSERT_TRUE(write(t, path("a.map"), {"new"}, &err)) << err;
    EXPECT_EQ(read_file("a.map"), "new") << name_of(t);
    ASSERT_TRUE(write(t, path(longest), {"long"}, &err)) << name_of(t) << ": " << err;
    std::vector<std::string> want = decoys;
    want.push_back(longest);
    want.insert(want.begin() + 1, "a.map");  // sorted after the "." names
    std::sort(want.begin(), want.end());
    EXPECT_EQ(entries(), want) << name_of(t);
    ASSERT_EQ(unlink(path("a.map").c_str()), 0);
    ASSERT_EQ(unlink(path(longest).c_str()), 0);
  }
}

// A replaced file keeps its mode (a private map stays private) and, where
// the process may give it, its owner; a new file gets 0666 less the umask.
TEST_F(DiskFileSystemTest, KeepsAReplacedFilesModeAndOwner) {
  for (const Temporary t : kTemporaries) {
    for (const mode_t mode : {mode_t{0600}, mode_t{0444}, mode_t{0640}, mode_t{0755}}) {
      write_file("p.map", "old");
      ASSERT_EQ(chmod(path("p.map").c_str(), mode), 0);
      std::string err;
      ASSERT_TRUE(write(t, path("p.map"), {"new"}, &err)) << err;
      EXPECT_EQ(stat_of(path("p.map")).st_mode & 07777U, mode)
          << name_of(t) << " " << std::oct << mode;
      ASSERT_EQ(unlink(path("p.map").c_str()), 0);
    }
    const mode_t old_mask = umask(027);
    std::string err;
    const bool ok = write(t, path("n.map"), {"x"}, &err);
    umask(old_mask);
    ASSERT_TRUE(ok) << err;
    EXPECT_EQ(stat_of(path("n.map")).st_mode & 07777U, 0640U) << name_of(t);
    ASSERT_EQ(unlink(path("n.map").c_str()), 0);
  }
}

TEST_F(DiskFileSystemTest, KeepsAReplacedFilesOwnerAndGroup) {
  if (!is_root()) GTEST_SKIP() << "only root may give a file to another user";
  for (const Temporary t : kTemporaries) {
    write_file("p.map", "old");
    ASSERT_EQ(chown(path("p.map").c_str(), 1234, 5678), 0);
    std::string err;
    ASSERT_TRUE(write(t, path("p.map"), {"new"}, &err)) << err;
    const struct stat st = stat_of(path("p.map"));
    EXPECT_EQ(st.st_uid, 1234U) << name_of(t);
    EXPECT_EQ(st.st_gid, 5678U) << name_of(t);
  }
}

// What is not a regular file is written where it stands or not at all;
// it is never replaced by one.
TEST_F(DiskFileSystemTest, WritesSpecialFilesInPlaceAndNeverReplacesThem) {
  std::string received;
  std::thread reader = drain_fifo("fifo", &received);
  std::string err;
  EXPECT_TRUE(write(Temporary::kUnnamedFirst, path("fifo"), {"through ", "fifo"}, &err)) << err;
  reader.join();
  EXPECT_EQ(received, "through fifo");

  ASSERT_EQ(unlink(path("fifo").c_str()), 0);
  reader = drain_fifo("fifo", &received);
  ASSERT_EQ(symlink(path("fifo").c_str(), path("to-fifo").c_str()), 0);
  EXPECT_TRUE(write(Temporary::kUnnamedFirst, path("to-fifo"), {"via link"}, &err)) << err;
  reader.join();
  EXPECT_EQ(received, "via link");
  EXPECT_TRUE(S_ISLNK(stat_of(path("to-fifo")).st_mode));

  std::array<int, 2> fds{};
  ASSERT_EQ(pipe(fds.data()), 0);
  for (const std::string prefix : {"/dev/fd/", "/proc/self/fd/"}) {
    EXPECT_TRUE(write(Temporary::kUnnamedFirst, prefix + std::to_string(fds[1]), {"fd"}, &err))
        << prefix << ": " << err;
    std::array<char, 4> got{};
    EXPECT_EQ(read(fds[0], got.data(), got.size()), 2) << prefix;
  }
  close(fds[0]);
  close(fds[1]);

  const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path("sock").c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(mkdir(path("dir").c_str(), 0755), 0);
  ASSERT_EQ(symlink("dir", path("to-dir").c_str()), 0);
  struct Refused {
    std::string name;
    std::string err;
  };
  for (const Refused& r :
       {Refused{"sock", "it is a socket, which cannot be written as a file"},
        Refused{"dir", "it is a directory"}, Refused{"dir/", "it is a directory"},
        Refused{"dir/.", "it is a directory"}, Refused{"to-dir", "it is a link to a directory"}}) {
    for (const Temporary t : kTemporaries) {
      EXPECT_FALSE(write(t, path(r.name), {"x"}, &err)) << r.name;
      EXPECT_EQ(err, r.err) << r.name;
    }
  }
  close(sock);
  EXPECT_TRUE(S_ISSOCK(stat_of(path("sock")).st_mode));
  const std::vector<std::string> want = {"dir", "fifo", "sock", "to-dir", "to-fifo"};
  EXPECT_EQ(entries(), want);
}

TEST_F(DiskFileSystemTest, WritesADeviceNodeInPlace) {
  if (!is_root()) GTEST_SKIP() << "only root may make a device node";
  ASSERT_EQ(mknod(path("null").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);  // as /dev/null
  for (const Temporary t : kTemporaries) {
    std::string err;
    EXPECT_TRUE(write(t, path("null"), {"gone"}, &err)) << err;
    EXPECT_TRUE(S_ISCHR(stat_of(path("null")).st_mode)) << name_of(t);
  }
  EXPECT_EQ(entries(), std::vector<std::string>{"null"});
}

// A link in the map's place is replaced itself: what it points to is never
// written, and a link someone else planted never leads to a device.
TEST_F(DiskFileSystemTest, ReplacesALinkNotWhatItPointsTo) {
  write_file("target", "kept");
  ASSERT_EQ(symlink("target", path("to-target").c_str()), 0);
  ASSERT_EQ(symlink("nowhere", path("dangling").c_str()), 0);
  for (const std::string link : {"to-target", "dangling"}) {
    std::string err;
    EXPECT_TRUE(write(Temporary::kUnnamedFirst, path(link), {"map"}, &err)) << link << ": " << err;
    EXPECT_TRUE(S_ISREG(stat_of(path(link)).st_mode)) << link;
    EXPECT_EQ(read_file(link), "map") << link;
  }
  EXPECT_EQ(read_file("target"), "kept");
}

// A link into the process's descriptors is never replaced: when its
// descriptor is closed the link dangles, and would otherwise look like any
// dangling link. A standard descriptor the program was started without
// counts as closed, whatever has taken its number since.
TEST_F(DiskFileSystemTest, NeverReplacesALinkToADescriptor) {
  std::array<int, 2> fds{};
  ASSERT_EQ(pipe(fds.data()), 0);
  const std::string closed = std::to_string(fds[1]);
  close(fds[0]);
  close(fds[1]);
  ASSERT_EQ(mkdir(path("sub").c_str(), 0755), 0);
  std::string up;  // from the test's directory to the root
  for (const char c : dir_ + "/sub")
    up += c == '/' ? "../" : "";
  struct Link {
    std::string name;
    std::string target;
  };
  const std::vector<Link> links = {
      {"absolute", "/proc/self/fd/" + closed},
      {"sub/relative", up + "proc/self/fd/" + closed},
      {"dev-fd", "/dev/fd/" + closed},
      {"chained", "absolute"},
  };
  for (const Link& l : links)
    ASSERT_EQ(symlink(l.target.c_str(), path(l.name).c_str()), 0) << l.name;
  StandardDescriptors no_output;
  no_output.closed[1] = true;
  ASSERT_EQ(symlink("/proc/self/fd/1", path("output").c_str()), 0);
  struct Case {
    std::string name;
    StandardDescriptors standard;
    std::string err;
  };
  const std::string not_open = "descriptor " + closed + " is not open";
  const std::vector<Case> cases = {
      {"absolute", {}, not_open},
      {"sub/relative", {}, not_open},
      {"dev-fd", {}, not_open},
      {"chained", {}, not_open},
      {"output", no_output, "standard output is closed"},
  };
  for (const Case& c : cases) {
    for (const Temporary t : kTemporaries) {
      DiskFileSystem disk(t, c.standard);
      std::string err;
      EXPECT_FALSE(disk.write_file(path(c.name), std::vector<std::string_view>{"png"}, &err))
          << c.name;
      EXPECT_EQ(err, c.err) << c.name << ", " << name_of(t);
      EXPECT_TRUE(S_ISLNK(stat_of(path(c.name)).st_mode)) << c.name << ", " << name_of(t);
    }
  }
}

TEST_F(DiskFileSystemTest, NeverFollowsAPlantedLinkToADevice) {
  if (!is_root()) GTEST_SKIP() << "only root may make a device node and give a link away";
  ASSERT_EQ(mknod(path("null").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
  ASSERT_EQ(symlink("null", path("planted").c_str()), 0);
  ASSERT_EQ(lchown(path("planted").c_str(), 1234, 1234), 0);  // by user 1234
  std::string err;
  EXPECT_TRUE(write(Temporary::kUnnamedFirst, path("planted"), {"map"}, &err)) << err;
  EXPECT_EQ(read_file("planted"), "map");
  EXPECT_TRUE(S_ISCHR(stat_of(path("null")).st_mode));
}

// A failure names the step that failed, and leaves nothing behind.
TEST_F(DiskFileSystemTest, FailuresSayWhatFailed) {
  std::string err;
  EXPECT_FALSE(write(Temporary::kUnnamedFirst, path("no/such.map"), {"x"}, &err));
  EXPECT_EQ(err, "cannot open directory " + path("no") + ": No such file or directory");
  EXPECT_TRUE(entries().empty());
  if (!is_root()) GTEST_SKIP() << "permission cases run as root, which can become nobody";
  // A read-only directory: the temporary file cannot be made.
  ASSERT_EQ(mkdir(path("ro").c_str(), 0755), 0);
  write_file("ro/x.map", "old");
  ASSERT_EQ(chmod(path("ro/x.map").c_str(), 0666), 0);
  // A sticky shared directory: the new file cannot take a name someone
  // else's file holds.
  ASSERT_EQ(mkdir(path("shared").c_str(), 0700), 0);
  ASSERT_EQ(chmod(path("shared").c_str(), 01777), 0);
  write_file("shared/x.map", "old");
  ASSERT_EQ(chmod(dir_.c_str(), 0755), 0);
  for (const Temporary t : kTemporaries) {
    const std::string ro = as_nobody([&] {
      std::string why;
      return write(t, path("ro/x.map"), {"new"}, &why) ? "written" : why;
    });
    EXPECT_EQ(ro,
              "cannot create a temporary file in directory " + path("ro") + ": Permission denied")
        << name_of(t);
    const std::string shared = as_nobody([&] {
      std::string why;
      return write(t, path("shared/x.map"), {"new"}, &why) ? "written" : why;
    });
    EXPECT_EQ(shared, "cannot give the new file the name x.map: Operation not permitted")
        << name_of(t);
  }
  EXPECT_EQ(read_file("ro/x.map"), "old");
  EXPECT_EQ(read_file("shared/x.map"), "old");
  EXPECT_EQ(entries("ro"), std::vector<std::string>{"x.map"});
  EXPECT_EQ(entries("shared"), std::vector<std::string>{"x.map"});
}

// A file over the limit is not read: its size is reported, or for a
// stream, that it goes on past the limit.
TEST_F(DiskFileSystemTest, ReadsUpToALimit) {
  DiskFileSystem disk;
  FileBytes bytes;
  std::uint64_t size = 0;
  std::string err;
  write_file("small", "0123456789");
  EXPECT_EQ(disk.read_file(path("small"), 10, &bytes, &size, &err), ReadStatus::kRead);
  EXPECT_EQ(bytes.view(), "0123456789");
  EXPECT_EQ(disk.read_file(path("small"), 5, &bytes, &size, &err), ReadStatus::kTooLarge);
  EXPECT_EQ(size, 10U);
  EXPECT_EQ(bytes.size(), 0U);

  ASSERT_EQ(mkfifo(path("stream").c_str(), 0600), 0);
  std::thread writer([fifo = path("stream")] {
    const int fd = open(fifo.c_str(), O_WRONLY);
    const std::string lots(100000, 'z');
    [[maybe_unused]] const ssize_t sent =
        ::write(fd, lots.data(), lots.size());  // until the reader goes
    close(fd);
  });
  const auto previous = std::signal(SIGPIPE, SIG_IGN);
  EXPECT_EQ(disk.read_file(path("stream"), 1000, &bytes, &size, &err), ReadStatus::kTooLarge);
  writer.join();
  std::signal(SIGPIPE, previous);
  EXPECT_EQ(size, 1001U);
  EXPECT_EQ(bytes.size(), 0U);
}

TEST_F(DiskFileSystemTest, SameFileFollowsNamesToTheFile) {
  write_file("a.map", "a");
  write_file("b.map", "b");
  ASSERT_EQ(link(path("a.map").c_str(), path("hard").c_str()), 0);
  ASSERT_EQ(symlink("a.map", path("soft").c_str()), 0);
  DiskFileSystem disk;
  EXPECT_TRUE(disk.same_file(path("a.map"), path("hard")));
  EXPECT_TRUE(disk.same_file(path("a.map"), path("soft")));
  EXPECT_FALSE(disk.same_file(path("a.map"), path("b.map")));
  EXPECT_FALSE(disk.same_file(path("a.map"), path("missing")));
}

// A folder is made with the parents it lacks; what stands in the way is
// named: a file, or a link that leads nowhere.
TEST_F(DiskFileSystemTest, MakesAFolderWithItsParents) {
  DiskFileSystem disk;
  std::string err;
  ASSERT_TRUE(disk.make_directory(path("a/b/c"), &err)) << err;
  EXPECT_TRUE(S_ISDIR(stat_of(path("a/b/c")).st_mode));
  EXPECT_TRUE(disk.make_directory(path("a/b/c/"), &err)) << "there already: " << err;
  write_file("file", "");
  ASSERT_EQ(symlink("nowhere", path("dangling").c_str()), 0);
  ASSERT_EQ(symlink("a", path("to-a").c_str()), 0);
  EXPECT_TRUE(disk.make_directory(path("to-a/d"), &err)) << "through a link: " << err;
  struct Case {
    std::string name;
    std::string err;
  };
  const std::vector<Case> cases = {
      {"file", "it exists and is not a directory"},
      {"file/x", "it exists and is not a directory (" + path("file") + ")"},
      {"dangling", "it is a dangling link"},
      {"dangling/x/y", "it is a dangling link (" + path("dangling") + ")"},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(disk.make_directory(path(c.name), &err)) << c.name;
    EXPECT_EQ(err, c.err) << c.name;
  }
  EXPECT_EQ(entries(), (std::vector<std::string>{"a", "dangling", "file", "to-a"}));
}

TEST(MemoryFileSystem, KeepsFilesAndFailsOnRequest) {
  MemoryFileSystem files;
  std::string err;
  const std::array<std::string_view, 2> parts = {"a", "b"};
  ASSERT_TRUE(files.write_file("x.map", parts, &err));
  EXPECT_EQ(files.files.at("x.map"), "ab");
  files.fail_next = "Disk quota exceeded";
  EXPECT_FALSE(files.write_file("x.map", parts, &err));
  EXPECT_EQ(err, "Disk quota exceeded");
  EXPECT_EQ(files.files.at("x.map"), "ab");
  EXPECT_TRUE(files.write_file("y.map", parts, &err));  // only the next write fails
}

}  // namespace
}  // namespace tarnix
