#pragma once

#include <CLI/CLI.hpp>
#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "tarnixrandommap/run/console.h"
#include "tarnixrandommap/run/map_params.h"

namespace tarnix {

// One of the eleven values after NAME, by name.
struct NamedValue {
  const char* key;    // the generator's own name, as JSON keys it: "start_gold"
  const char* names;  // the options: "--start-gold,--start_gold"
  std::int64_t low;   // its range
  std::int64_t high;
  const char* default_value;  // the README's example
  const char* type;
  const char* help;
};

inline constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
inline constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

// The eleven in the generator's order.
inline constexpr std::array<NamedValue, kArgumentCount - 1> kNamedValues = {{
    {"width", "--width", 7, kInt32Max, "64", "W", "map width in squares, border included"},
    {"height", "--height", 7, kInt32Max, "64", "H", "map height in squares, border included"},
    {"players", "--players", 2, 4, "4", "N", "number of players, 2 to 4"},
    {"start_gold", "--start-gold,--start_gold", kInt32Min, kInt32Max, "500", "G",
     "starting gold of every player"},
    {"portals", "--portals", 0, kInt32Max, "5", "N", "number of 3 x 3 neutral portals"},
    {"gold", "--gold", 0, kInt32Max, "300", "N", "number of gold squares, grown in blobs"},
    {"gems", "--gems", 0, kInt32Max, "40", "N", "number of single gem squares"},
    {"lava", "--lava", 0, kInt32Max, "200", "N", "number of lava squares, grown in blobs"},
    {"water", "--water", 0, kInt32Max, "200", "N", "number of water squares, grown in blobs"},
    {"min_vosk_dist", "--min-vosk-dist,--min_vosk_dist", -46345, 46335, "20", "D",
     "heart spacing: each player's heart (a vosk) is at least D + 5 squares from every other "
     "heart, centre to centre"},
    {"min_portal_dist", "--min-portal-dist,--min_portal_dist", kInt32Min, 2147483643, "10", "D",
     "portal spacing: a portal's top-left square is at least D + 4 squares from every heart "
     "centre, across or down"},
}};

// The twelve values converted as the generator converts its arguments.
[[nodiscard]] MapParams params_of(const std::array<std::string, kArgumentCount>& values);

// The generator's twelve values as the command line gives them.
struct GivenValues {
  std::array<std::string, kArgumentCount> values;  // each one given, or the README's example
  std::array<bool, kArgumentCount> given{};        // which were given (NAME is the first)
  std::string params_file;                         // --params FILE; empty when not given
};

// The generator's twelve values on tarnixmap's command line: NAME, then
// either the other eleven in the generator's order, or any of them by name
// (--width 64, --size 96x96, --players 2 ...), each one not named taking the
// value of the README's example (Cave 64 64 4 500 5 300 40 200 200 20 10).
class MapValues {
 public:
  MapValues() = default;
  MapValues(const MapValues&) = delete;
  MapValues& operator=(const MapValues&) = delete;

  // Adds NAME, the eleven positional values, the named options and
  // --params.
  void add_to(CLI::App* command);

  // The values given, each one not given taking the README's example (the
  // command takes it from the --params file instead, where there is one).
  // False after a usage error, reported on `err`: a value given both ways,
  // a named value out of its range or not a plain decimal number, not all
  // eleven in order, or no NAME and no --params.
  [[nodiscard]] bool fill(GivenValues& out, Console& err) const;

 private:
  CLI::App* command_ = nullptr;
  std::string name_;
  std::vector<std::string> in_order_;                  // the eleven values after NAME
  std::array<std::string, kArgumentCount - 1> named_;  // each named value's text
  std::string size_;                                   // --size WxH
  std::string params_file_;                            // --params FILE
};

}  // namespace tarnix
