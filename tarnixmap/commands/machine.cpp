#include "tarnixmap/commands/machine.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>

namespace tarnix {

namespace {

std::string file_text(const char* path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::optional<std::uint64_t> number_at_start(std::string_view text) {
  while (!text.empty() && text.front() == ' ')
    text.remove_prefix(1);
  std::uint64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end == text.data()) return std::nullopt;
  return value;
}

// The figure of `key` in /proc/meminfo, which gives kB.
std::optional<std::uint64_t> meminfo_bytes(std::string_view meminfo, std::string_view key) {
  for (std::size_t at = 0; at < meminfo.size();) {
    const std::size_t end = std::min(meminfo.find('\n', at), meminfo.size());
    const std::string_view line = meminfo.substr(at, end - at);
    if (line.starts_with(key) && line.substr(key.size()).starts_with(':')) {
      const auto kb = number_at_start(line.substr(key.size() + 1));
      if (kb) return *kb * 1024;
    }
    at = end + 1;
  }
  return std::nullopt;
}

}  // namespace

unsigned machine_cores() {
  return std::max(1U, std::thread::hardware_concurrency());
}

std::optional<std::uint64_t> available_memory(std::string_view meminfo, std::string_view group_max,
                                              std::string_view group_current) {
  std::optional<std::uint64_t> available = meminfo_bytes(meminfo, "MemAvailable");
  // "max" means no limit; a number is one, less what the group holds now.
  const auto limit = number_at_start(group_max);
  const auto used = number_at_start(group_current);
  if (limit && used) {
    const std::uint64_t left = *limit > *used ? *limit - *used : 0;
    available = available ? std::min(*available, left) : left;
  }
  return available;
}

namespace {

// The control group's path for one hierarchy in /proc/self/cgroup: "0::"
// for the unified one, ":memory:" for the old memory controller.
std::string group_path(std::string_view groups, std::string_view marker) {
  for (std::size_t at = 0; at < groups.size();) {
    const std::size_t end = std::min(groups.find('\n', at), groups.size());
    const std::string_view line = groups.substr(at, end - at);
    const std::size_t found = line.find(marker);
    if (found != std::string_view::npos && (marker.front() != '0' || found == 0)) {
      return std::string(line.substr(found + marker.size()));
    }
    at = end + 1;
  }
  return "/";
}

}  // namespace

std::optional<std::uint64_t> available_memory() {
  const std::string meminfo = file_text("/proc/meminfo");
  const std::string groups = file_text("/proc/self/cgroup");
  // The group's own folder, and the hierarchy's root, which is the group
  // itself inside a container's namespace.
  const std::string unified = "/sys/fs/cgroup" + group_path(groups, "0::");
  const std::string memory = "/sys/fs/cgroup/memory" + group_path(groups, ":memory:");
  const std::array<std::pair<std::string, std::string>, 4> candidates = {{
      {unified + "/memory.max", unified + "/memory.current"},
      {"/sys/fs/cgroup/memory.max", "/sys/fs/cgroup/memory.current"},
      {memory + "/memory.limit_in_bytes", memory + "/memory.usage_in_bytes"},
      {"/sys/fs/cgroup/memory/memory.limit_in_bytes",
       "/sys/fs/cgroup/memory/memory.usage_in_bytes"},
  }};
  for (const auto& [limit, used] : candidates) {
    const std::string limit_text = file_text(limit.c_str());
    if (!limit_text.empty()) {
      return available_memory(meminfo, limit_text, file_text(used.c_str()));
    }
  }
  return available_memory(meminfo, "", "");
}

}  // namespace tarnix
