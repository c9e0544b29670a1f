#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "tarnixrandommap/grid/tile_grid.h"
#include "tarnixrandommap/placement/hearts.h"

namespace tarnix {

// Squares within this many tiles of a heart centre count as the player's
// own, unless a search or check asks for another radius.
inline constexpr std::int32_t kDefaultRadius = 15;
inline constexpr std::int32_t kMaxRadius = 1000;

// What a designer weighs to judge one player's start, measured from the
// heart centre; distances are Euclidean, in tiles.
struct StartFigures {
  HeartCentre heart;
  std::int32_t gold_near = 0;            // gold squares within the radius
  std::int32_t gems_near = 0;            // gem squares within the radius
  std::int32_t hazards_near = 0;         // lava and water squares within the radius
  std::optional<double> nearest_portal;  // to the nearest portal square; none without portals
  double nearest_heart = 0;              // to the nearest other heart centre
};

// The figures the score compares, in the order they are listed.
enum class Figure : std::uint8_t {
  kGoldNear,
  kGemsNear,
  kHazardsNear,
  kNearestPortal,
  kNearestHeart
};
inline constexpr std::size_t kFigureCount = 5;

struct FigureInfo {
  std::string_view name;  // as printed and in JSON
  double weight;          // its share of the score
  bool more_is_better;    // which end of its range is the player's good fortune
};

inline constexpr std::array<FigureInfo, kFigureCount> kFigures = {{
    {"gold_near", 3, true},
    {"gems_near", 2, true},
    {"hazards_near", 1, false},
    {"nearest_portal", 1, false},
    {"nearest_heart", 1, true},
}};

// The figure's value for one player; a start without portals counts 0.
[[nodiscard]] double figure_value(const StartFigures& start, Figure figure);

// The squares within `radius` of a centre, as one span of columns per row:
// they are counted without a distance per square.
class Disc {
 public:
  // Requires: 0 <= radius <= kMaxRadius.
  explicit Disc(std::int32_t radius);
  [[nodiscard]] std::int32_t radius() const { return radius_; }
  // The half-width of the disc's row `dy` rows from the centre: the row
  // holds every dx with dx² + dy² <= radius².
  [[nodiscard]] std::int32_t half_width(std::int32_t dy) const {
    return half_widths_[static_cast<std::size_t>(dy + radius_)];
  }

 private:
  std::int32_t radius_;
  std::vector<std::int32_t> half_widths_;
};

// Measures each player's start on a map: `starts` gets one entry per heart.
// Allocates nothing, so that a search can measure millions of maps.
// Requires: starts.size() == hearts.size() >= 2.
void measure_starts(const TileGrid& grid, std::span<const HeartCentre> hearts, const Disc& disc,
                    std::span<StartFigures> starts);

// The same in parts, for a map measured while it is made: each part is
// final once the phase that places its squares is done.
// Sets each start's heart, nearest heart and nearest portal, and clears its
// counts.
void measure_distances(const TileGrid& grid, std::span<const HeartCentre> hearts,
                       std::span<StartFigures> starts);
enum class Near : std::uint8_t { kGold, kGems, kHazards };
// Counts one kind of square within the disc around each start's heart.
void count_near(const TileGrid& grid, const Disc& disc, Near kind, std::span<StartFigures> starts);

// How uneven the starts are. A figure's spread is (largest - smallest) /
// largest over the players, 0 when all are equal; the score is the sum of
// the spreads times their weights: 0 when every player starts alike, at most
// the sum of the weights.
struct Fairness {
  double score = 0;
  Figure least_even = Figure::kGoldNear;  // the figure that adds most to the score
  std::size_t worst_player = 0;           // index of the player it favours least
  std::size_t best_player = 0;            // and most
};

[[nodiscard]] Fairness judge(std::span<const StartFigures> starts);

}  // namespace tarnix
