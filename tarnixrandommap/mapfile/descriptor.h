#pragma once

#include <unistd.h>

namespace tarnix {

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
  // Takes `fd`, which must be the first one held.
  void reset(int fd) { fd_ = fd; }
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

}  // namespace tarnix
