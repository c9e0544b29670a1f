#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "tarnixrandommap/mapfile/file_system.h"
#include "tarnixrandommap/mapfile/map_reader.h"
#include "tarnixrandommap/run/console.h"
#include "tarnixrandommap/run/map_params.h"

namespace tarnix {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // a map not generated or written, or a map with problems
inline constexpr int kExitUsage = 2;

struct GenerateRequest {
  std::optional<std::uint32_t> seed;  // the clock's second when absent
  std::optional<std::int64_t> count;  // numbered maps NAME_1 … NAME_count when present
  bool preview = false;               // also draw each map as NAME.png
  std::array<std::string, kArgumentCount> values;  // the generator's twelve arguments
};

// Writes the map (or maps) exactly as tarnixrandommap does when the clock
// reads the seed, printing the generator's messages and the seed of each
// file on `out`, and failures on `err`.
[[nodiscard]] int generate_command(const GenerateRequest& request, std::uint32_t clock_seed,
                                   Console& out, Console& err, FileSystem& files);

// Checks each map file strictly; prints a summary of each sound one on
// `out` and each problem, with its line, on `err`.
[[nodiscard]] int check_command(std::span<const std::string> paths, Console& out, Console& err,
                                FileSystem& files);

// Reads a map file and reports, on `err`, why it is not a sound map: too
// large, unreadable, or its first problem. Nothing when it is not.
[[nodiscard]] std::optional<MapFileContents> read_sound_map(const std::string& path, Console& err,
                                                            FileSystem& files);

// An output named "-" is standard output.
inline constexpr std::string_view kStandardOutput = "-";

struct RenderRequest {
  std::string input;                  // a map file
  std::string output;                 // the PNG, "-" for standard output; empty for the
                                      // input's name with .png
  std::optional<std::int32_t> scale;  // pixels per tile; by default about 1024 pixels across
};

// Draws a sound map file as a PNG picture.
[[nodiscard]] int render_command(const RenderRequest& request, Console& out, Console& err,
                                 FileSystem& files);

}  // namespace tarnix
