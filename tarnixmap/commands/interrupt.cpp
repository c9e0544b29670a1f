#include "tarnixmap/commands/interrupt.h"

namespace tarnix {

namespace {

std::atomic<bool> g_interrupted{false};

extern "C" void note_interrupt(int /*sig*/) {
  g_interrupted.store(true);
  std::signal(SIGINT, SIG_DFL);  // a second Ctrl-C ends the program at once
}

}  // namespace

CatchInterrupt::CatchInterrupt() {
  g_interrupted = false;
  struct sigaction action {};
  action.sa_handler = note_interrupt;
  sigemptyset(&action.sa_mask);
  installed_ = ::sigaction(SIGINT, nullptr, &previous_) == 0 && previous_.sa_handler != SIG_IGN &&
               ::sigaction(SIGINT, &action, nullptr) == 0;
}

CatchInterrupt::~CatchInterrupt() {
  if (installed_) ::sigaction(SIGINT, &previous_, nullptr);
}

const std::atomic<bool>& CatchInterrupt::flag() {
  return g_interrupted;
}

}  // namespace tarnix
