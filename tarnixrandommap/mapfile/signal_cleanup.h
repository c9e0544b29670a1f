#pragma once

#include <array>
#include <csignal>
#include <string_view>

namespace tarnix {

// Holds back, for its lifetime, the signals that end a process by default,
// so that a few system calls that belong together are not parted by one.
// A signal that arrives meanwhile is delivered at the end, with its usual
// effect.
class HoldSignals {
 public:
  HoldSignals();
  HoldSignals(const HoldSignals&) = delete;
  HoldSignals& operator=(const HoldSignals&) = delete;
  ~HoldSignals();

 private:
  sigset_t previous_{};
};

// While alive, a signal that would end the process first removes the file
// `name` in the directory `dir_fd`, then ends the process as the signal
// would have (the same exit status). Signals the process ignores or handles
// itself are left alone. The record lives in static storage, the only place
// a signal handler can reach, so only one can be alive at a time; the disk
// writes one file at a time.
// Requires: the file was created while HoldSignals was alive and this is
// made before that ends, so that no signal falls between the two.
class RemoveOnSignal {
 public:
  RemoveOnSignal(int dir_fd, std::string_view name);
  RemoveOnSignal(const RemoveOnSignal&) = delete;
  RemoveOnSignal& operator=(const RemoveOnSignal&) = delete;
  // Forgets the file and puts the earlier handlers back.
  ~RemoveOnSignal();

  // The signals that end a process and can be caught.
  static constexpr std::array<int, 14> kSignals = {SIGHUP,    SIGINT,  SIGQUIT, SIGTERM, SIGALRM,
                                                   SIGUSR1,   SIGUSR2, SIGPIPE, SIGXCPU, SIGXFSZ,
                                                   SIGVTALRM, SIGPROF, SIGIO,   SIGPWR};

 private:
  std::array<struct sigaction, kSignals.size()> previous_{};
  std::array<bool, kSignals.size()> installed_{};
};

}  // namespace tarnix
