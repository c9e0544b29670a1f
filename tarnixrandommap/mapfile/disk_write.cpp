// How the disk file system writes a file: what stands at the path decides
// whether a new file replaces it, it is written in place as a stream, or the
// write is refused.

#include <fcntl.h>
#include <poll.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>

#include "tarnixrandommap/mapfile/descriptor.h"
#include "tarnixrandommap/mapfile/file_system.h"
#include "tarnixrandommap/mapfile/signal_cleanup.h"
#include "tarnixrandommap/mapfile/standard_descriptors.h"

namespace tarnix {

namespace {

std::string reason(int error) {
  return std::strerror(error);
}

// Files are written in pieces of at most this size, each handed to the disk
// as soon as it is in the page cache: writing and the device's own transfer
// then overlap, instead of the final fsync waiting for all of the file at
// once. A small file goes in one call.
constexpr std::size_t kChunk = std::size_t{1} << 20U;
constexpr std::size_t kMaxPieces = 64;

// Waits until a descriptor that said "would block" can take more.
bool wait_writable(int fd) {
  pollfd p{fd, POLLOUT, 0};
  while (::poll(&p, 1, -1) < 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

// Writes all of `parts`, gathering up to kChunk bytes of them per call, and
// allocates nothing (a failed allocation must not strand a half-made file).
// A descriptor in non-blocking mode is waited for, not given up on. Returns
// false with errno set.
bool write_parts(int fd, std::span<const std::string_view> parts, bool regular_file) {
  std::size_t part = 0;    // the first part with bytes left
  std::size_t offset = 0;  // bytes of it already written
  off_t written = 0;
  std::array<iovec, kMaxPieces> pieces{};
  for (;;) {
    while (part < parts.size() && offset == parts[part].size()) {
      ++part;
      offset = 0;
    }
    if (part == parts.size()) return true;
    std::size_t count = 0;
    std::size_t gathered = 0;
    for (std::size_t i = part; i < parts.size() && gathered < kChunk && count < kMaxPieces; ++i) {
      const std::string_view left = parts[i].substr(i == part ? offset : 0);
      const std::size_t take = std::min(left.size(), kChunk - gathered);
      // writev only reads the pieces; iovec just has no const.
      pieces[count++] = iovec{const_cast<char*>(left.data()), take};
      gathered += take;
    }
    const ssize_t n = ::writev(fd, pieces.data(), static_cast<int>(count));
    if (n < 0) {
      if (errno == EINTR) continue;
      if ((errno == EAGAIN || errno == EWOULDBLOCK) && wait_writable(fd)) continue;
      return false;
    }
    if (n == 0) {  // no progress: never loop on it
      errno = EIO;
      return false;
    }
#ifdef SYNC_FILE_RANGE_WRITE
    if (regular_file && static_cast<std::size_t>(n) == kChunk) {
      // Only starts the write-back; the fsync at the end waits for it.
      ::sync_file_range(fd, written, n, SYNC_FILE_RANGE_WRITE);
    }
#endif
    written += n;
    for (auto done = static_cast<std::size_t>(n); done > 0;) {
      const std::size_t take = std::min(done, parts[part].size() - offset);
      offset += take;
      done -= take;
      if (offset == parts[part].size()) {
        ++part;
        offset = 0;
      }
    }
  }
}

// A link is followed to a device only when root or the user made it: one
// planted by someone else in a shared directory is replaced, not followed.
bool trusted(const struct stat& link) {
  return link.st_uid == 0 || link.st_uid == ::geteuid();
}

// The path split into its directory and the name within it.
struct Place {
  std::string directory;
  std::string name;
};

Place place_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

std::optional<int> descriptor_number(std::string_view text) {
  int fd = -1;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), fd);
  if (ec != std::errc() || end != text.data() + text.size() || fd < 0) return std::nullopt;
  return fd;
}

// Whether `dir` lists this process's descriptors: by one of its usual names,
// which hold even where /proc is not mounted, or by where it resolves to,
// /proc/PID/fd or /proc/PID/task/TID/fd.
bool is_descriptor_directory(const std::string& dir) {
  for (const std::string_view name : {"/dev/fd", "/proc/self/fd", "/proc/thread-self/fd"}) {
    if (dir == name) return true;
  }
  const std::unique_ptr<char, decltype(&std::free)> real(::realpath(dir.c_str(), nullptr),
                                                         &std::free);
  if (!real) return false;
  const std::string_view resolved = real.get();
  const std::string own = "/proc/" + std::to_string(::getpid());
  if (!resolved.starts_with(own + "/")) return false;
  const std::string_view rest = resolved.substr(own.size());
  return rest == "/fd" || (rest.starts_with("/task/") && rest.ends_with("/fd") &&
                           std::ranges::count(rest, '/') == 3);
}

// A path that stands for one of the process's descriptors.
struct DescriptorName {
  int fd = -1;
  bool trusted = true;  // every link on the way is root's or the user's
};

// The descriptor that a path such as /dev/stdout, /dev/fd/N,
// /proc/self/fd/N, or a link that leads to one of them, names, whether or
// not it is open. Such a name is never a file to replace: when the
// descriptor is closed, the name is a dangling link that would otherwise
// look like one.
std::optional<DescriptorName> descriptor_named_by(std::string path) {
  DescriptorName named;
  constexpr int kMaxHops = 40;  // as many links as the kernel follows
  for (int hop = 0; hop < kMaxHops; ++hop) {
    const std::array<std::string_view, 3> standard = {"/dev/stdin", "/dev/stdout", "/dev/stderr"};
    if (const auto* s = std::ranges::find(standard, path); s != standard.end()) {
      named.fd = static_cast<int>(s - standard.begin());
      return named;
    }
    const Place place = place_of(path);
    if (const std::optional<int> fd = descriptor_number(place.name);
        fd && is_descriptor_directory(place.directory)) {
      named.fd = *fd;
      return named;
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return std::nullopt;
    named.trusted = named.trusted && trusted(st);
    std::array<char, PATH_MAX> text{};
    const ssize_t n = ::readlink(path.c_str(), text.data(), text.size() - 1);
    if (n <= 0) return std::nullopt;
    const std::string target(text.data(), static_cast<std::size_t>(n));
    path = target.starts_with('/') ? target : place.directory + "/" + target;
  }
  return std::nullopt;
}

// What is to be done at a path.
struct Target {
  enum class Kind { kReplace, kStream, kDescriptor, kRefused };
  Kind kind = Kind::kReplace;
  bool exists = false;     // kReplace: something stands at the name
  bool keep_mode = false;  // kReplace: a regular file whose mode and owner the new one keeps
  struct stat old {};
  bool follow = false;  // kStream: through a link
  int descriptor = -1;  // kDescriptor
  std::string error;    // kRefused
};

Target refused(std::string error) {
  Target t;
  t.kind = Target::Kind::kRefused;
  t.error = std::move(error);
  return t;
}

Target classify(const std::string& path, const StandardDescriptors& standard) {
  if (const std::optional<DescriptorName> named = descriptor_named_by(path)) {
    if (standard.is_closed(named->fd) || ::fcntl(named->fd, F_GETFD) == -1)
      return refused(closed_descriptor_message(named->fd));
    if (!named->trusted) {
      return refused("it is a link to descriptor " + std::to_string(named->fd) +
                     " that another user made");
    }
    Target t;
    t.kind = Target::Kind::kDescriptor;
    t.descriptor = named->fd;
    return t;
  }
  Target t;
  if (::lstat(path.c_str(), &t.old) != 0) {
    if (errno == ENOENT && !path.ends_with('/')) return t;
    return refused("cannot look it up: " + reason(errno));
  }
  t.exists = true;
  struct stat seen = t.old;
  if (S_ISLNK(t.old.st_mode)) {
    // A link is replaced itself, unless it leads to something that can
    // only be written in place and can be trusted to.
    if (::stat(path.c_str(), &seen) != 0 || S_ISREG(seen.st_mode)) return t;
    if (S_ISDIR(seen.st_mode)) return refused("it is a link to a directory");
    if (!trusted(t.old)) return t;
    t.follow = true;
  }
  if (S_ISREG(seen.st_mode)) {
    t.keep_mode = true;
    return t;
  }
  if (S_ISDIR(seen.st_mode)) return refused("it is a directory");
  if (S_ISSOCK(seen.st_mode)) return refused("it is a socket, which cannot be written as a file");
  t.kind = Target::Kind::kStream;
  return t;
}

// A device, FIFO or the like, written where it stands; it is never created,
// truncated or replaced.
bool write_stream(const std::string& path, bool follow, std::span<const std::string_view> parts,
                  std::string* err) {
  const int flags = O_WRONLY | O_NOCTTY | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW);
  Descriptor file(::open(path.c_str(), flags));
  if (file.get() < 0) {
    *err = "cannot open it: " + reason(errno);
    return false;
  }
  struct stat st {};
  if (::fstat(file.get(), &st) != 0 || S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) {
    *err = "it changed while it was being opened; nothing was written";
    return false;
  }
  if (!write_parts(file.get(), parts, false) || !file.close()) {
    *err = reason(errno);
    return false;
  }
  return true;
}

bool write_descriptor(int fd, std::span<const std::string_view> parts, std::string* err) {
  if (!write_parts(fd, parts, false)) {
    *err = reason(errno);
    return false;
  }
  return true;
}

// A hidden name no one can guess, short enough for any directory: a name
// that someone else already took only means drawing another.
std::string temporary_name() {
  std::uint64_t bits = 0;
  if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) != sizeof bits) {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    bits ^= static_cast<std::uint64_t>(now.tv_nsec) * 0x9E3779B97F4A7C15U ^
            static_cast<std::uint64_t>(now.tv_sec) ^
            (static_cast<std::uint64_t>(::getpid()) << 32U);
  }
  std::array<char, 17> hex{};
  for (std::size_t i = 0; i < 16; ++i) {
    hex[i] = "0123456789abcdef"[(bits >> (4 * i)) & 0xFU];
  }
  return std::string(".tarnix-") + hex.data() + ".tmp";
}

constexpr int kNameAttempts = 64;

// A new file being made to replace whatever stands at a name.
class Replacement {
 public:
  Replacement(const Place& place, int dir_fd, std::string* err)
      : place_(place), dir_fd_(dir_fd), err_(err) {}
  Replacement(const Replacement&) = delete;
  Replacement& operator=(const Replacement&) = delete;
  ~Replacement() {
    if (!temp_name_.empty()) ::unlinkat(dir_fd_, temp_name_.c_str(), 0);
  }

  // Makes the file with no name. Returns false when the file system cannot
  // (then *unsupported) or on an error.
  bool create_unnamed(bool* unsupported) {
    fd_.reset(::openat(dir_fd_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
    const bool made = fd_.get() >= 0;
    *unsupported = !made && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL);
    if (!made && !*unsupported) fail_create(errno);
    return made;
  }

  // Makes the file under a hidden name that a signal or any failure
  // removes. The signals are held back until the name is on record.
  bool create_named() {
    const HoldSignals hold;
    for (int attempt = 0; attempt < kNameAttempts && fd_.get() < 0; ++attempt) {
      std::string name = temporary_name();
      fd_.reset(::openat(dir_fd_, name.c_str(),
                         O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
      if (fd_.get() >= 0) {
        temp_name_ = std::move(name);
        on_signal_.emplace(dir_fd_, temp_name_);
      } else if (errno != EEXIST) {
        break;
      }
    }
    if (fd_.get() < 0) fail_create(errno);
    return fd_.get() >= 0;
  }

  // The old file's permission bits, and its owner and group as far as the
  // process may give them away. Each step is best effort: a file the
  // process may not give away simply stays its own.
  void keep_mode_of(const struct stat& old) const {
    struct stat now {};
    const int fd = fd_.get();
    if (::fstat(fd, &now) == 0 && (now.st_uid != old.st_uid || now.st_gid != old.st_gid)) {
      if (::fchown(fd, old.st_uid, old.st_gid) != 0 &&
          ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
        // Neither owner nor group could be kept: the new file has the user's.
      }
    }
    if (::fchmod(fd, old.st_mode & 07777U) != 0) {
      // Not the owner of the file just made: cannot happen, and nothing to undo.
    }
  }

  bool fill(std::span<const std::string_view> parts) {
    if (!write_parts(fd_.get(), parts, true)) {
      *err_ = reason(errno);
      return false;
    }
    if (::fsync(fd_.get()) != 0) {
      *err_ = "cannot sync it to disk: " + reason(errno);
      return false;
    }
    return true;
  }

  // Gives the complete file, made under a hidden name, its own name,
  // replacing what stood there.
  bool commit_named() {
    if (!fd_.close()) {
      *err_ = reason(errno);
      return false;
    }
    return rename_into_place();
  }

  enum class Linked : std::uint8_t { kDone, kFailed, kCannotLink };

  // Gives the complete unnamed file its name. Nothing there: the link
  // itself is the atomic step, and no other name ever exists. Something
  // there: link under a hidden name and rename over it, with the signals
  // held back so that the name cannot be left. kCannotLink when the file
  // system or the process cannot give an unnamed file a name at all.
  Linked link_unnamed(bool exists) {
    if (!exists) {
      if (link_to(place_.name) == 0) return Linked::kDone;
      if (errno != EEXIST) return Linked::kCannotLink;
    }
    const HoldSignals hold;
    for (int attempt = 0; attempt < kNameAttempts && temp_name_.empty(); ++attempt) {
      std::string name = temporary_name();
      if (link_to(name) == 0) {
        temp_name_ = std::move(name);
      } else if (errno != EEXIST) {
        return Linked::kCannotLink;
      }
    }
    return rename_into_place() ? Linked::kDone : Linked::kFailed;
  }

  // Lets the unnamed file go: it vanishes with its descriptor.
  void drop_unnamed() { (void)fd_.close(); }

 private:
  // The error of a failed step that names where it failed.
  void fail_create(int error) {
    *err_ =
        "cannot create a temporary file in directory " + place_.directory + ": " + reason(error);
  }
  void fail_name(int error) {
    *err_ = "cannot give the new file the name " + place_.name + ": " + reason(error);
  }

  // linkat by descriptor needs a privilege; /proc/self/fd does not.
  [[nodiscard]] int link_to(const std::string& name) const {
    if (::linkat(fd_.get(), "", dir_fd_, name.c_str(), AT_EMPTY_PATH) == 0) return 0;
    const std::string self = "/proc/self/fd/" + std::to_string(fd_.get());
    return ::linkat(AT_FDCWD, self.c_str(), dir_fd_, name.c_str(), AT_SYMLINK_FOLLOW);
  }

  bool rename_into_place() {
    if (::renameat(dir_fd_, temp_name_.c_str(), dir_fd_, place_.name.c_str()) != 0) {
      fail_name(errno);
      return false;
    }
    temp_name_.clear();
    return true;
  }

  const Place& place_;
  int dir_fd_;
  std::string* err_;
  Descriptor fd_{-1};
  std::string temp_name_;  // while a hidden name exists, removed unless committed
  std::optional<RemoveOnSignal> on_signal_;
};

bool replace(const std::string& path, const Target& target, bool unnamed_first,
             std::span<const std::string_view> parts, std::string* err) {
  const Place place = place_of(path);
  if (place.name.empty() || place.name == "." || place.name == "..") {
    *err = "it is a directory";
    return false;
  }
  Descriptor dir(::open(place.directory.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() < 0) {
    *err = "cannot open directory " + place.directory + ": " + reason(errno);
    return false;
  }
  Replacement file(place, dir.get(), err);
  if (unnamed_first) {
    bool unsupported = false;
    if (file.create_unnamed(&unsupported)) {
      if (target.keep_mode) file.keep_mode_of(target.old);
      if (!file.fill(parts)) return false;
      const Replacement::Linked linked = file.link_unnamed(target.exists);
      if (linked != Replacement::Linked::kCannotLink) return linked == Replacement::Linked::kDone;
      // Naming an unnamed file takes /proc or a privilege, which a chroot or
      // sandbox may lack: the file is dropped and written again the named
      // way.
      file.drop_unnamed();
    } else if (!unsupported) {
      return false;
    }
  }
  if (!file.create_named()) return false;
  if (target.keep_mode) file.keep_mode_of(target.old);
  return file.fill(parts) && file.commit_named();
}

}  // namespace

bool DiskFileSystem::write_file(std::string_view path, std::span<const std::string_view> parts,
                                std::string* err) {
  const std::string name(path);
  if (name.empty()) {
    *err = "the file name is empty";
    return false;
  }
  const Target target = classify(name, standard_);
  switch (target.kind) {
    case Target::Kind::kRefused:
      *err = target.error;
      return false;
    case Target::Kind::kDescriptor:
      return write_descriptor(target.descriptor, parts, err);
    case Target::Kind::kStream:
      return write_stream(name, target.follow, parts, err);
    case Target::Kind::kReplace:
      break;
  }
  return replace(name, target, temporary_ == Temporary::kUnnamedFirst, parts, err);
}

}  // namespace tarnix
