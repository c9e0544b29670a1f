#pragma once

// Fixtures for tests that work on real files: a directory of one's own, and
// a built program run as a process in it.

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace tarnix::testing {

struct Result {
  int code = -1;    // the exit code, or 128 + the signal
  std::string out;  // standard output
  std::string err;  // standard error
};

struct Options {
  rlim_t file_size = RLIM_INFINITY;  // RLIMIT_FSIZE of the program
  rlim_t address_space =
      RLIM_INFINITY;               // RLIMIT_AS: its memory, so that a leak fails, not the machine
  std::vector<std::string> env;    // NAME=VALUE pairs added to the environment
  std::string stdout_path;         // standard output goes here instead of Result::out
  bool stdout_read_write = false;  // ... opened for reading and writing, not truncated (1<>)
  std::vector<int> ignored;        // signals the program starts with ignored (nohup)
};

// A program that has not ended after this long is killed (SIGALRM), so a hang
// fails its test with code 128 + 14 instead of stalling the whole suite.
inline constexpr unsigned kProgramSeconds = 120;

#ifdef FIXED_CLOCK_PATH
// Runs the program with time() fixed at `seconds`, whatever the real clock
// says and however slowly the program starts.
inline Options frozen_clock(std::uint32_t seconds) {
  Options options;
  options.env = {std::string("LD_PRELOAD=") + FIXED_CLOCK_PATH,
                 "TARNIX_FIXED_CLOCK=" + std::to_string(seconds)};
  return options;
}
#endif

#ifdef FAULT_INJECTION_PATH
// Runs the program with the disk misbehaving as `faults` says (see
// fault_injection.cpp), for example "fsync=EIO".
inline Options faults(const std::string& faults) {
  Options options;
  options.env = {std::string("LD_PRELOAD=") + FAULT_INJECTION_PATH, "TARNIX_FAULT=" + faults};
  return options;
}
#endif

inline Options file_size_limit(rlim_t bytes) {
  Options options;
  options.file_size = bytes;
  return options;
}

// The program's memory bounded to `megabytes`, so that a regression that
// holds too much fails its test instead of eating the machine. Nothing
// where the sanitizers run: they reserve more address space than any bound.
inline std::optional<Options> memory_limit(rlim_t megabytes) {
#ifdef TARNIX_SANITIZED
  (void)megabytes;
  return std::nullopt;
#else
  Options options;
  options.address_space = megabytes << 20U;
  return options;
#endif
}

inline Options stdout_to(const char* path) {
  Options options;
  options.stdout_path = path;
  return options;
}

// Each test works in a new directory, removed afterwards.
class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = "/tmp/tarnix_test_XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    const std::string command = "rm -rf '" + dir_ + "' '" + dir_ + ".err'";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }

  [[nodiscard]] std::string path(const std::string& name) const { return dir_ + "/" + name; }

  // The entries of the directory, or of `sub` within it, sorted.
  [[nodiscard]] std::vector<std::string> entries(const std::string& sub = "") const {
    std::vector<std::string> names;
    DIR* d = opendir((sub.empty() ? dir_ : path(sub)).c_str());
    while (const dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
  }

  [[nodiscard]] std::string read_file(const std::string& name) const {
    return read_path(path(name));
  }

  void write_file(const std::string& name, const std::string& bytes) const {
    std::ofstream(path(name), std::ios::binary) << bytes;
  }

  static std::string read_path(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

  std::string dir_;
};

// In a forked child: runs words[0] with the words as its arguments, or ends
// the child with 127.
[[noreturn]] inline void exec_words(std::vector<std::string> words) {
  std::vector<char*> argv;
  argv.reserve(words.size() + 1);
  for (std::string& w : words)
    argv.push_back(w.data());
  argv.push_back(nullptr);
  execv(argv[0], argv.data());
  _exit(127);
}

// Runs `body` in a child process with a mount namespace of its own, in
// which /dev is a new, empty tmpfs holding only the links stdin, stdout and
// stderr into /proc/self/fd, as a system's /dev has them: a test may try
// to replace them without any risk to the machine's own /dev. Returns what
// `body` returns, or nothing with *why set where a namespace cannot be
// made (not root, or a sandbox that forbids it).
inline std::optional<std::string> in_private_dev(const std::function<std::string()>& body,
                                                 std::string* why) {
  std::array<int, 2> fds{};
  if (pipe(fds.data()) != 0) return std::nullopt;
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    std::string result;
    if (unshare(CLONE_NEWNS) != 0) {
      result = std::string("!cannot make a mount namespace: ") + std::strerror(errno);
    } else if (mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
               mount("tmpfs", "/dev", "tmpfs", 0, "mode=755") != 0) {
      result = std::string("!cannot mount a private /dev: ") + std::strerror(errno);
    } else if (symlink("/proc/self/fd/0", "/dev/stdin") != 0 ||
               symlink("/proc/self/fd/1", "/dev/stdout") != 0 ||
               symlink("/proc/self/fd/2", "/dev/stderr") != 0) {
      result = std::string("!cannot make the links in /dev: ") + std::strerror(errno);
    } else {
      result = body();
    }
    [[maybe_unused]] const ssize_t sent = ::write(fds[1], result.data(), result.size());
    _exit(0);
  }
  close(fds[1]);
  std::string result;
  std::array<char, 4096> buffer{};
  for (ssize_t n = 0; (n = ::read(fds[0], buffer.data(), buffer.size())) > 0;)
    result.append(buffer.data(), static_cast<std::size_t>(n));
  close(fds[0]);
  waitpid(pid, nullptr, 0);
  if (result.starts_with('!')) {
    *why = result.substr(1);
    return std::nullopt;
  }
  return result;
}

class ProcessTest : public TempDirTest {
 protected:
  // Runs `program` with `args` in the test's directory.
  [[nodiscard]] Result run_program(const std::string& program, const std::vector<std::string>& args,
                                   const Options& options = {}) const {
    const std::string err_path = dir_ + ".err";  // beside the directory, not in it
    std::array<int, 2> pipe_fds{};
    EXPECT_EQ(pipe(pipe_fds.data()), 0);
    const pid_t pid = fork();
    if (pid == 0) {
      if (options.stdout_path.empty()) {
        dup2(pipe_fds[1], 1);
      } else if (options.stdout_read_write) {
        const int fd = open(options.stdout_path.c_str(), O_RDWR);
        if (fd < 0 || dup2(fd, 1) != 1) _exit(127);
        close(fd);
      } else if (freopen(options.stdout_path.c_str(), "w", stdout) == nullptr) {
        _exit(127);
      }
      close(pipe_fds[0]);
      close(pipe_fds[1]);
      if (freopen(err_path.c_str(), "w", stderr) == nullptr) _exit(127);
      if (chdir(dir_.c_str()) != 0) _exit(127);
      const rlimit fsize{options.file_size, options.file_size};
      setrlimit(RLIMIT_FSIZE, &fsize);
      const rlimit memory{options.address_space, options.address_space};
      setrlimit(RLIMIT_AS, &memory);
      for (const std::string& pair : options.env)
        putenv(strdup(pair.c_str()));  // the child's own copy, kept until exec
      for (const int sig : options.ignored)
        signal(sig, SIG_IGN);  // survives exec
      alarm(kProgramSeconds);  // survives exec
      std::vector<std::string> words{program};
      words.insert(words.end(), args.begin(), args.end());
      exec_words(std::move(words));
    }
    close(pipe_fds[1]);
    Result result;
    std::array<char, 4096> buffer{};
    for (ssize_t n = 0; (n = ::read(pipe_fds[0], buffer.data(), buffer.size())) > 0;) {
      result.out.append(buffer.data(), static_cast<std::size_t>(n));
    }
    close(pipe_fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    result.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.err = read_path(err_path);
    return result;
  }
};

}  // namespace tarnix::testing
