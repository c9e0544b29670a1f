#include "tarnixmap/commands/machine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnix {
namespace {

// The kernel's estimate of free memory, lowered to what the control group
// has left; "max" is no limit, and a group over its limit has nothing left.
TEST(Machine, AvailableMemoryIsTheLeastOfTheKernelAndTheGroup) {
  const std::string meminfo =
      "MemTotal:       24576000 kB\nMemFree:         1000000 kB\n"
      "MemAvailable:   20000000 kB\nBuffers:            1000 kB\n";
  struct Case {
    const char* name;
    std::string meminfo;
    std::string max;
    std::string current;
    std::optional<std::uint64_t> want;
  };
  const std::vector<Case> cases = {
      {"kernel only", meminfo, "", "", std::uint64_t{20000000} * 1024},
      {"no limit", meminfo, "max\n", "5000\n", std::uint64_t{20000000} * 1024},
      {"group is tighter", meminfo, "3000000000\n", "1000000000\n", 2000000000},
      {"group is looser", meminfo, "99999999999999\n", "1\n", std::uint64_t{20000000} * 1024},
      {"group over its limit", meminfo, "1000\n", "2000\n", 0},
      {"no MemAvailable line", "MemTotal: 5 kB\n", "", "", std::nullopt},
      {"a key that only starts the same", "MemAvailableX: 7 kB\n", "", "", std::nullopt},
      {"group alone", "", "4096\n", "96\n", 4000},
  };
  for (const Case& c : cases)
    EXPECT_EQ(available_memory(c.meminfo, c.max, c.current), c.want) << c.name;
}

}  // namespace
}  // namespace tarnix
