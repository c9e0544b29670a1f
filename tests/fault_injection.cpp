// Preloaded (LD_PRELOAD) into a program under test, this makes the disk
// misbehave at one chosen call, as TARNIX_FAULT says:
//   fsync=EIO                 fsync fails with that error
//   fsync=SIGTERM             the signal arrives in fsync: the new file is
//                             complete but not yet named (likewise any
//                             signal name below)
//   tmpfile=EOPNOTSUPP        the file system has no unnamed temporary files
//   linkat=ENOENT             no file can be given a new name by link (an
//                             unnamed file without /proc and the privilege)
// Several faults are separated by commas.
// Every other call goes to the C library as usual.

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

// What TARNIX_FAULT (faults separated by commas) asks of `call`: "" when
// nothing.
std::string_view fault_for(std::string_view call) {
  const char* text = std::getenv("TARNIX_FAULT");
  std::string_view faults = text == nullptr ? "" : text;
  while (!faults.empty()) {
    const std::size_t comma = faults.find(',');
    const std::string_view fault = faults.substr(0, comma);
    faults.remove_prefix(comma == std::string_view::npos ? faults.size() : comma + 1);
    if (fault.size() > call.size() && fault.starts_with(call) && fault[call.size()] == '=')
      return fault.substr(call.size() + 1);
  }
  return {};
}

int error_named(std::string_view name) {
  if (name == "EIO") return EIO;
  if (name == "ENOSPC") return ENOSPC;
  if (name == "EOPNOTSUPP") return EOPNOTSUPP;
  if (name == "ENOENT") return ENOENT;
  return 0;
}

int signal_named(std::string_view name) {
  if (name == "SIGTERM") return SIGTERM;
  if (name == "SIGINT") return SIGINT;
  if (name == "SIGHUP") return SIGHUP;
  if (name == "SIGKILL") return SIGKILL;
  return 0;
}

template <typename Function>
Function next(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

int open_at(const char* symbol, int dir, const char* path, int flags, mode_t mode) {
  if ((flags & O_TMPFILE) == O_TMPFILE) {
    if (const int error = error_named(fault_for("tmpfile")); error != 0) {
      errno = error;
      return -1;
    }
  }
  return next<int (*)(int, const char*, int, ...)>(symbol)(dir, path, flags, mode);
}

}  // namespace

extern "C" int fsync(int fd) {
  const std::string_view fault = fault_for("fsync");
  if (const int sig = signal_named(fault); sig != 0) raise(sig);
  if (const int error = error_named(fault); error != 0) {
    errno = error;
    return -1;
  }
  return next<int (*)(int)>("fsync")(fd);
}

// The C library's own signature, with names of our own for its reserved ones.
// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name)
extern "C" int linkat(int old_dir, const char* old_path, int new_dir, const char* new_path,
                      int flags) {
  if (const int error = error_named(fault_for("linkat")); error != 0) {
    errno = error;
    return -1;
  }
  return next<int (*)(int, const char*, int, const char*, int)>("linkat")(old_dir, old_path,
                                                                          new_dir, new_path, flags);
}

// The C library's own signature, with names of our own for its reserved ones.
// NOLINTNEXTLINE(cert-dcl50-cpp,readability-inconsistent-declaration-parameter-name)
extern "C" int openat(int dir, const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = va_arg(args, mode_t);
  va_end(args);
  return open_at("openat", dir, path, flags, mode);
}

// The C library's own signature, with names of our own for its reserved ones.
// NOLINTNEXTLINE(cert-dcl50-cpp,readability-inconsistent-declaration-parameter-name)
extern "C" int openat64(int dir, const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = va_arg(args, mode_t);
  va_end(args);
  return open_at("openat64", dir, path, flags, mode);
}
