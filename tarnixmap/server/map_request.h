#pragma once

#include <array>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "tarnixmap/fairness/measure.h"
#include "tarnixmap/fairness/score.h"
#include "tarnixrandommap/placement/symmetry.h"
#include "tarnixrandommap/run/map_params.h"

namespace tarnix {

// The largest map the page makes: a preview of it takes about a second,
// and the command line makes any size.
inline constexpr std::int64_t kMaxServedSquares = std::int64_t{2048} * 2048;

// A value the page sent that cannot be used: the field it belongs beside
// ("width", "seed", "weights"; empty for the map as a whole) and the
// message the command line gives for the same value.
struct FieldProblem {
  std::string field;
  std::string message;
};

// One map as the page asks for it.
struct MapRequest {
  MapParams params;
  std::uint32_t seed = 0;
  std::optional<Symmetry> symmetry;
  MeasureOptions measure{};
};

// Reads the page's map: "values" (an object of the name and the eleven
// values by the generator's names, numbers or text), "seed", "symmetry" (a
// mode's name or "none"), and the measuring options as the command line
// words them: "costs" ("g=5 L=wall"), "weights" ("territory=2") and
// "reach". Every problem found is added to *problems; true when there are
// none.
[[nodiscard]] bool read_map_request(const nlohmann::json& body, MapRequest* request,
                                    std::vector<FieldProblem>* problems);

// What the page asks a search of: the map's values and measuring options
// (its seed is the first of the range), how many seeds, how many of the
// best to list, and the limits a map must keep to be listed: the spread
// caps ("caps": "territory=0.1") and the hearts' least distance from the
// frame ("min_border_gap").
struct SearchJobRequest {
  MapRequest map;
  std::uint64_t seeds = 0;
  std::size_t top = 10;
  SpreadCaps caps{};
  std::optional<std::int32_t> min_border_gap;
};

// The most seeds one search of the page visits, and the most maps it lists.
inline constexpr std::int64_t kMaxServedSeeds = 100000000;
inline constexpr std::int64_t kMaxServedTop = 50;

// Reads a search as read_map_request reads a map, with "seeds", "top",
// "caps" and "min_border_gap" besides.
[[nodiscard]] bool read_search_request(const nlohmann::json& body, SearchJobRequest* request,
                                       std::vector<FieldProblem>* problems);

// The problems as the page shows them: {"problems": [{"field", "message"}]}.
[[nodiscard]] nlohmann::json field_problems_json(const std::vector<FieldProblem>& problems);

}  // namespace tarnix
