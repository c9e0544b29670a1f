#include "tarnixmap/commands/heart_advice.h"

#include <algorithm>

#include "tarnixrandommap/run/symmetric_phases.h"

namespace tarnix {

namespace {

// The largest side tried: a map's grid past it would take gigabytes.
constexpr std::int32_t kLargestSide = 32768;

// Whether the hearts of some seed of the trial fit. Only the grid's size
// matters to where hearts go, so one grid serves every seed.
bool some_seed_fits(const MapParams& params, std::optional<Symmetry> symmetry) {
  if (symmetry && !symmetry_fits(*symmetry, params.width, params.height, params.players))
    return false;
  std::optional<TileGrid> grid = TileGrid::create(params.width, params.height);
  if (!grid) return false;
  for (std::uint32_t seed = 1; seed <= kHeartTrialSeeds; ++seed) {
    if (place_map_hearts(params, *grid, seed, symmetry)) return true;
  }
  return false;
}

// The largest spacing below the present one at which the trial fits, by
// halving: wider spacings fit less often.
std::optional<std::int32_t> largest_spacing(MapParams params, std::optional<Symmetry> symmetry) {
  std::int32_t low = -5;                     // no spacing at all
  std::int32_t high = params.min_vosk_dist;  // does not fit
  params.min_vosk_dist = low;
  if (!some_seed_fits(params, symmetry)) return std::nullopt;
  while (high - low > 1) {
    const std::int32_t middle = low + (high - low) / 2;
    params.min_vosk_dist = middle;
    (some_seed_fits(params, symmetry) ? low : high) = middle;
  }
  return low;
}

// The smallest map of the same shape (its longer side one square at a
// time, the shorter in proportion, rounded up) on which the trial fits at
// the present spacing: the first that fits of sides doubling, then halved
// back.
std::optional<std::pair<std::int32_t, std::int32_t>> smallest_size(
    MapParams params, std::optional<Symmetry> symmetry) {
  const std::int64_t width = params.width;
  const std::int64_t height = params.height;
  const std::int64_t longer = std::max(width, height);
  const auto sized = [&](std::int64_t side) {
    params.width = static_cast<std::int32_t>((width * side + longer - 1) / longer);
    params.height = static_cast<std::int32_t>((height * side + longer - 1) / longer);
    return side <= kLargestSide;
  };
  std::int64_t low = longer;  // the present size, which does not fit
  std::int64_t high = 2 * longer;
  for (;; high *= 2) {
    if (!sized(high)) return std::nullopt;
    if (some_seed_fits(params, symmetry)) break;
    low = high;
  }
  while (high - low > 1) {
    const std::int64_t middle = low + (high - low) / 2;
    (sized(middle) && some_seed_fits(params, symmetry) ? high : low) = middle;
  }
  sized(high);
  return std::pair{params.width, params.height};
}

}  // namespace

HeartAdvice advise_hearts(const MapParams& params, std::optional<Symmetry> symmetry) {
  HeartAdvice advice;
  advice.min_vosk_dist = largest_spacing(params, symmetry);
  if (const auto size = smallest_size(params, symmetry)) {
    advice.width = size->first;
    advice.height = size->second;
  }
  return advice;
}

std::string hearts_do_not_fit_text(const MapParams& params, std::uint64_t seeds,
                                   const HeartAdvice& advice) {
  const std::string size = std::to_string(params.width) + " x " + std::to_string(params.height);
  std::string text = std::to_string(params.players) + " hearts " +
                     std::to_string(std::abs(heart_spacing(params))) +
                     " squares apart (min_vosk_dist " + std::to_string(params.min_vosk_dist) +
                     (seeds == 1 ? ") do not fit on this seed of "
                                 : ") fit on none of the " + std::to_string(seeds) + " seeds of ") +
                     size;
  std::string fits;
  if (advice.min_vosk_dist) {
    fits = "with --min-vosk-dist " + std::to_string(*advice.min_vosk_dist) + " or less";
  }
  if (advice.width) {
    fits += (fits.empty() ? "" : ", or ") + std::string("on ") + std::to_string(*advice.width) +
            " x " + std::to_string(*advice.height) + " or larger";
  }
  if (fits.empty()) return text + "; no smaller spacing or larger map of this shape helped";
  return text + "; in a quick trial of " + std::to_string(kHeartTrialSeeds) + " seeds they fit " +
         fits;
}

}  // namespace tarnix
