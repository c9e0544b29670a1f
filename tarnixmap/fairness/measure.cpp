#include "tarnixmap/fairness/measure.h"

namespace tarnix {

MapMeasure Measurer::measure(const TileGrid& grid, std::span<const HeartCentre> hearts,
                             const MeasureOptions& options,
                             std::span<const std::int32_t> start_gold) {
  MapMeasure result;
  result.players.resize(hearts.size());
  measure_near(grid, hearts, Disc(options.radius), result.players);
  dig_.use(options.wave);
  dig_.measure_first(grid, hearts, options.costs, result.players);
  dig_.measure_own(grid, hearts, options.costs, options.reach, result.players);
  result.fairness = judge(result.players, options.weights);
  result.symmetry = find_symmetry(grid, hearts, start_gold);
  return result;
}

MapMeasure measure_map(const TileGrid& grid, std::span<const HeartCentre> hearts,
                       const MeasureOptions& options, std::span<const std::int32_t> start_gold) {
  Measurer measurer;
  return measurer.measure(grid, hearts, options, start_gold);
}

}  // namespace tarnix
