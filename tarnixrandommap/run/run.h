#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "tarnixrandommap/mapfile/file_system.h"
#include "tarnixrandommap/run/console.h"

namespace tarnix {

// One run of the generator: prints the banner, checks and converts the
// twelve arguments (`args` excludes the program's own name), builds the map
// from `seed` and writes it through `files`. All console output goes to
// `console`. Returns the exit code: 1 when the complete map file is in
// place, 0 otherwise (usage text, rejected arguments, no memory, hearts that
// do not fit, or a file that could not be written).
[[nodiscard]] int run(std::span<const std::string_view> args, std::uint32_t seed, Console& console,
                      FileSystem& files);

}  // namespace tarnix
