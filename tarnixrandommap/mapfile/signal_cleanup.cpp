#include "tarnixrandommap/mapfile/signal_cleanup.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <csignal>

namespace tarnix {

namespace {

// What the handler removes. Static because a signal handler can reach
// nothing else; written only while the signals are held back.
volatile std::sig_atomic_t g_armed = 0;
int g_dir_fd = -1;
std::array<char, NAME_MAX + 1> g_name{};

sigset_t terminating_signals() {
  sigset_t set;
  sigemptyset(&set);
  for (const int sig : RemoveOnSignal::kSignals)
    sigaddset(&set, sig);
  return set;
}

// Only async-signal-safe calls: unlinkat, sigaction, raise. The signal is
// blocked while its handler runs, so the raised copy is delivered, with the
// default action, as soon as the handler returns.
extern "C" void remove_then_resignal(int sig) {
  if (g_armed != 0) {
    g_armed = 0;
    ::unlinkat(g_dir_fd, g_name.data(), 0);
  }
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  sigemptyset(&default_action.sa_mask);
  ::sigaction(sig, &default_action, nullptr);
  ::raise(sig);
}

}  // namespace

HoldSignals::HoldSignals() {
  const sigset_t set = terminating_signals();
  ::pthread_sigmask(SIG_BLOCK, &set, &previous_);
}

HoldSignals::~HoldSignals() {
  ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

RemoveOnSignal::RemoveOnSignal(int dir_fd, std::string_view name) {
  const std::size_t length = std::min(name.size(), g_name.size() - 1);
  std::copy_n(name.data(), length, g_name.data());
  g_name[length] = '\0';
  g_dir_fd = dir_fd;
  g_armed = 1;
  struct sigaction action {};
  action.sa_handler = remove_then_resignal;
  action.sa_mask = terminating_signals();  // one cleanup at a time
  for (std::size_t i = 0; i < kSignals.size(); ++i) {
    struct sigaction& previous = previous_[i];
    if (::sigaction(kSignals[i], nullptr, &previous) != 0) continue;
    // An ignored signal stays ignored (nohup), a handled one stays the
    // process's own business.
    if (previous.sa_handler != SIG_DFL || (previous.sa_flags & SA_SIGINFO) != 0) continue;
    installed_[i] = ::sigaction(kSignals[i], &action, nullptr) == 0;
  }
}

RemoveOnSignal::~RemoveOnSignal() {
  const HoldSignals hold;
  g_armed = 0;
  for (std::size_t i = 0; i < kSignals.size(); ++i) {
    if (installed_[i]) ::sigaction(kSignals[i], &previous_[i], nullptr);
  }
}

}  // namespace tarnix
