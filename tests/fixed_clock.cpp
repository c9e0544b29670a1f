// Preloaded (LD_PRELOAD) into a program under test, this fixes the wall
// clock that time() reports at TARNIX_FIXED_CLOCK seconds since 1970. It
// replaces time() and nothing else, so the program's other clocks, its
// start-up and a sanitizer's runtime behave as they always do.

#include <cstdlib>
#include <ctime>

// The C library calls the parameter __timer, a name reserved to it.
// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name)
extern "C" time_t time(time_t* out) {
  const char* text = std::getenv("TARNIX_FIXED_CLOCK");
  time_t now = 0;
  if (text != nullptr) {
    now = static_cast<time_t>(std::strtoll(text, nullptr, 10));
  } else {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    now = ts.tv_sec;
  }
  if (out != nullptr) *out = now;
  return now;
}
