#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tarnix {

// What this machine offers a search: read by main only, and handed to the
// commands as plain numbers.

// The machine's cores, at least 1.
[[nodiscard]] unsigned machine_cores();

// The memory the program may still take, in bytes: the kernel's estimate of
// what is available without swapping, lowered to what the control group's
// limit leaves. Nothing when neither can be read.
[[nodiscard]] std::optional<std::uint64_t> available_memory();

// The same, from the texts of /proc/meminfo and of the control group's
// memory.max and memory.current (empty when absent).
[[nodiscard]] std::optional<std::uint64_t> available_memory(std::string_view meminfo,
                                                            std::string_view group_max,
                                                            std::string_view group_current);

}  // namespace tarnix
