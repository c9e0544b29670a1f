#include "tarnixrandommap/mapfile/file_system.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tarnix {

namespace {

// Owns an open descriptor; closes it unless the caller closed it first.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  [[nodiscard]] int get() const { return fd_; }
  // Closes now and reports whether the close succeeded (it can report a
  // write error the kernel deferred).
  bool close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// A hidden name beside `path`, unique to this process and attempt, so that a
// half-written file is never seen under the map's own name.
std::string temporary_name(std::string_view path, int attempt) {
  const std::size_t slash = path.rfind('/');
  const std::size_t base = slash == std::string_view::npos ? 0 : slash + 1;
  std::string name(path.substr(0, base));
  name += '.';
  name += path.substr(base);
  name += '.';
  name += std::to_string(::getpid());
  name += '.';
  name += std::to_string(attempt);
  name += ".tmp";
  return name;
}

std::string directory_of(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return ".";
  if (slash == 0) return "/";
  return std::string(path.substr(0, slash));
}

// Makes the rename itself durable. A file system that cannot sync a
// directory loses nothing by it: the new file is already complete on disk.
void sync_directory(const std::string& directory) {
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Writes `parts` into the new file and makes them durable; errno tells why not.
bool fill_file(Descriptor& file, std::span<const std::string_view> parts) {
  for (const std::string_view part : parts) {
    if (!write_all(file.get(), part)) return false;
  }
  return ::fsync(file.get()) == 0 && file.close();
}

}  // namespace

bool DiskFileSystem::replace_file(std::string_view path, std::span<const std::string_view> parts,
                                  std::string* err) {
  std::string temp;
  int fd = -1;
  // O_EXCL never reuses a name: a file left by a crashed run with the same
  // process id only moves us on to the next attempt.
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    temp = temporary_name(path, attempt);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    *err = std::strerror(errno);
    return false;
  }
  Descriptor file(fd);
  if (!fill_file(file, parts) || ::rename(temp.c_str(), std::string(path).c_str()) != 0) {
    const int reason = errno;
    ::unlink(temp.c_str());
    *err = std::strerror(reason);
    return false;
  }
  sync_directory(directory_of(path));
  return true;
}

bool MemoryFileSystem::replace_file(std::string_view path, std::span<const std::string_view> parts,
                                    std::string* err) {
  if (fail_next) {
    *err = *fail_next;
    fail_next.reset();
    return false;
  }
  std::string contents;
  for (const std::string_view part : parts)
    contents += part;
  files.insert_or_assign(std::string(path), std::move(contents));
  return true;
}

}  // namespace tarnix
