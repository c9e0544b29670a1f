#pragma once

#include <atomic>
#include <csignal>

namespace tarnix {

// Catches Ctrl-C (SIGINT) for as long as it lives, unless the program was
// started with it ignored: the first one only sets flag(), so that a
// search can stop cleanly and print what it found; a second one ends the
// program at once. The flag lives in static storage, the only place a
// signal handler can reach, so only one may be alive at a time.
class CatchInterrupt {
 public:
  CatchInterrupt();
  CatchInterrupt(const CatchInterrupt&) = delete;
  CatchInterrupt& operator=(const CatchInterrupt&) = delete;
  ~CatchInterrupt();

  [[nodiscard]] static const std::atomic<bool>& flag();

 private:
  struct sigaction previous_ {};
  bool installed_ = false;
};

}  // namespace tarnix
