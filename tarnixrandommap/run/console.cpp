#include "tarnixrandommap/run/console.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace tarnix {

void FdSink::write(std::string_view bytes) {
  // Once the output is lost, whatever follows is lost too: stop writing.
  if (error_ != 0) return;
  if (closed_) {
    error_ = EBADF;
    return;
  }
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // A non-blocking descriptor that is full: wait for room, as a
      // blocking one would.
      pollfd ready{fd_, POLLOUT, 0};
      if (::poll(&ready, 1, -1) >= 0 || errno == EINTR) continue;
    }
    if (n <= 0) {
      if (error_ == 0) error_ = n < 0 ? errno : EIO;
      return;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

std::string StringSink::all() const {
  std::string out;
  for (const std::string& w : writes)
    out += w;
  return out;
}

void Console::text(std::string_view text) {
  if (ends_ == LineEnds::kLf) {
    pending_ += text;
    return;
  }
  for (const char c : text) {
    if (c == '\n') pending_ += '\r';
    pending_ += c;
  }
}

void Console::line_end() {
  pending_ += ends_ == LineEnds::kLf ? "\n" : "\r\n";
  flush();
}

void Console::flush() {
  if (pending_.empty()) return;
  sink_.write(pending_);
  pending_.clear();
}

}  // namespace tarnix
