#include "tarnixrandommap/mapfile/file_system.h"

#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

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

// Files are written in pieces of at most this size, each handed to the disk
// as soon as it is in the page cache: writing and the device's own transfer
// then overlap, instead of the final fsync waiting for all of the file at
// once. A small file goes in one call.
constexpr std::size_t kChunk = std::size_t{1} << 20U;

// Writes all of `parts`, gathering up to kChunk bytes of them per call;
// returns false with errno set.
bool write_parts(int fd, std::span<const std::string_view> parts) {
  std::vector<std::string_view> left(parts.begin(), parts.end());
  std::size_t first = 0;  // the first part with bytes left
  off_t offset = 0;
  std::vector<iovec> pieces;
  while (first < left.size()) {
    pieces.clear();
    std::size_t gathered = 0;
    for (std::size_t i = first;
         i < left.size() && gathered < kChunk && pieces.size() < static_cast<std::size_t>(IOV_MAX);
         ++i) {
      const std::size_t take = std::min(left[i].size(), kChunk - gathered);
      // writev only reads the pieces; iovec just has no const.
      pieces.push_back(iovec{const_cast<char*>(left[i].data()), take});
      gathered += take;
    }
    const ssize_t n = ::writev(fd, pieces.data(), static_cast<int>(pieces.size()));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0 && gathered > 0) {  // no progress: never loop on it
      errno = EIO;
      return false;
    }
#ifdef SYNC_FILE_RANGE_WRITE
    if (static_cast<std::size_t>(n) == kChunk) {
      // Only starts the write-back; the fsync at the end waits for it.
      ::sync_file_range(fd, offset, n, SYNC_FILE_RANGE_WRITE);
    }
#endif
    offset += n;
    for (auto done = static_cast<std::size_t>(n); first < left.size();) {
      const std::size_t take = std::min(done, left[first].size());
      left[first].remove_prefix(take);
      done -= take;
      if (!left[first].empty()) break;
      ++first;
    }
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

// Writes `parts` into the new file and makes them durable; errno tells why not.
bool fill_file(Descriptor& file, std::span<const std::string_view> parts) {
  return write_parts(file.get(), parts) && ::fsync(file.get()) == 0 && file.close();
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
  // The directory is not synced after the rename: after a crash the name
  // holds either the old file or the new one, and both are complete.
  return true;
}

bool DiskFileSystem::read_file(std::string_view path, std::string* bytes, std::string* err) {
  const int fd = ::open(std::string(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *err = std::strerror(errno);
    return false;
  }
  Descriptor file(fd);
  bytes->clear();
  std::vector<char> buffer(kChunk);
  for (;;) {
    const ssize_t n = ::read(file.get(), buffer.data(), buffer.size());
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      *err = std::strerror(errno);
      return false;
    }
    bytes->append(buffer.data(), static_cast<std::size_t>(n));
  }
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

bool MemoryFileSystem::read_file(std::string_view path, std::string* bytes, std::string* err) {
  const auto file = files.find(path);
  if (file == files.end()) {
    *err = "No such file or directory";
    return false;
  }
  *bytes = file->second;
  return true;
}

}  // namespace tarnix
