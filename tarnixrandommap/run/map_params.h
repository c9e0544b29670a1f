#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarnix {

// The twelve arguments of a run, in their command-line order.
struct MapParams {
  std::string name;                  // map name; the file is name + ".map"
  std::int32_t width = 0;            // map width in squares
  std::int32_t height = 0;           // map height in squares
  std::int32_t players = 0;          // number of players, 2 … 4
  std::int32_t start_gold = 0;       // starting gold of every player
  std::int32_t portals = 0;          // number of 3 × 3 neutral portals
  std::int32_t gold = 0;             // number of gold squares
  std::int32_t gems = 0;             // number of gem squares
  std::int32_t lava = 0;             // number of lava squares
  std::int32_t water = 0;            // number of water squares
  std::int32_t min_vosk_dist = 0;    // heart spacing as given; 5 is added before use
  std::int32_t min_portal_dist = 0;  // portal spacing as given; 4 is added before use
};

inline constexpr std::size_t kArgumentCount = 12;

// The spacings the phases use, derived from the arguments.
// Requires: validate(params) found nothing, so neither addition overflows.
[[nodiscard]] inline std::int32_t heart_spacing(const MapParams& params) {
  return params.min_vosk_dist + 5;
}
[[nodiscard]] inline std::int32_t portal_spacing(const MapParams& params) {
  return params.min_portal_dist + 4;
}

// Converts a decimal number the way the command line always has: leading
// white space is skipped, one "+" or "-" is taken, digits are read up to the
// first non-digit, and the value wraps around modulo 2^32. Text without
// leading digits is 0. Never fails.
[[nodiscard]] std::int32_t convert_number(std::string_view text);

// Copies the name and converts the eleven numbers.
[[nodiscard]] MapParams convert_arguments(std::span<const std::string_view, kArgumentCount> args);

// Returns one line for each value the generator cannot work with, naming the
// parameter, the value received and what is allowed; none when all are good.
[[nodiscard]] std::vector<std::string> validate(const MapParams& params);

// The map file's name: the map name followed by ".map".
[[nodiscard]] std::string map_file_name(const MapParams& params);

}  // namespace tarnix
