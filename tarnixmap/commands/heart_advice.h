#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "tarnixrandommap/placement/symmetry.h"
#include "tarnixrandommap/run/map_params.h"

namespace tarnix {

// Where the hearts of maps of these values would fit, found by a quick
// trial when they fit on none of the seeds tried: the largest
// min_vosk_dist, and the smallest size of the same shape, at which some
// seed of the trial places them. Either may be absent: no spacing helps a
// symmetric region too small for a heart's block, and no size up to the
// largest tried may do.
struct HeartAdvice {
  std::optional<std::int32_t> min_vosk_dist;
  std::optional<std::int32_t> width;  // with height, at the present spacing
  std::optional<std::int32_t> height;
};

// The seeds of the trial: few, fixed, so that the advice is the same for
// the same values.
inline constexpr std::uint32_t kHeartTrialSeeds = 16;

// Requires: validate(params) found nothing; symmetry_fits() for the params
// with a symmetry.
[[nodiscard]] HeartAdvice advise_hearts(const MapParams& params, std::optional<Symmetry> symmetry);

// The line that tells why no map was made and what would fit: "4 hearts
// 25 squares apart (min_vosk_dist 20) fit on none of 1000 seeds of 32 x
// 32; in a quick trial they fit with --min-vosk-dist 12 or less, or on 40 x
// 40 or larger".
[[nodiscard]] std::string hearts_do_not_fit_text(const MapParams& params, std::uint64_t seeds,
                                                 const HeartAdvice& advice);

}  // namespace tarnix
