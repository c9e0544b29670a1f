#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "tarnixmap/server/map_request.h"

namespace tarnix {

// One map made for the page: its file's bytes, what the generator said
// while making it, its pictures and its figures.
struct Preview {
  MapRequest request;
  std::string map_bytes;      // the .map file exactly as generate --seed writes it; empty
                              // when no map was made
  std::string messages;       // the generator's messages (portals placed, shortfalls)
  std::string failure;        // why no map was made, as generate says it; empty when one was
  std::string map_png;        // the picture with its legend
  std::string territory_png;  // the same with each square tinted by who reaches it first
  nlohmann::json figures;     // "fairness" and "starts", as check --json gives them
};

// The pictures' longer side, in pixels: enough for the page, quick to draw.
inline constexpr std::int32_t kPreviewSide = 512;

// Makes, measures and draws the map of `request`, in memory.
// Throws std::bad_alloc when it does not fit in memory.
[[nodiscard]] Preview make_preview(const MapRequest& request);

// A small picture of the map of `request` without legend or markers, as a
// PNG's bytes, `side` pixels on its longer side; empty when no map is made.
[[nodiscard]] std::string thumbnail_png(const MapRequest& request, std::int32_t side);

// The map's values, seed and symmetry as params_json writes them, with the
// command that writes the same file ("command"), the figures, the
// generator's messages and the failure: what the page shows of a preview.
[[nodiscard]] nlohmann::json preview_json(const Preview& preview);

}  // namespace tarnix
