#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "tarnixrandommap/grid/tile_grid.h"
#include "tarnixrandommap/placement/hearts.h"

namespace tarnix {

// The symmetric layouts: a map made on one part of it and copied, each
// copy's heart belonging to the next player, so that every player starts
// alike.
enum class Symmetry : std::uint8_t {
  kMirrorX,  // the left half mirrored onto the right (2 players)
  kMirrorY,  // the top half mirrored onto the bottom (2 players)
  kRot2,     // the left half turned half a turn about the centre (2 players)
  kQuad,     // the top-left quarter mirrored both ways (4 players)
  kRot4,     // the top-left quarter turned a quarter turn at a time (4 players, square maps)
};

struct SymmetryMode {
  Symmetry symmetry;
  std::string_view name;  // as the command line and the JSON name it
  std::int32_t copies;    // the region and its images: the players the mode is for
};

inline constexpr std::array<SymmetryMode, 5> kSymmetryModes = {{
    {Symmetry::kMirrorX, "mirror-x", 2},
    {Symmetry::kMirrorY, "mirror-y", 2},
    {Symmetry::kRot2, "rot2", 2},
    {Symmetry::kQuad, "quad", 4},
    {Symmetry::kRot4, "rot4", 4},
}};

[[nodiscard]] const SymmetryMode& symmetry_mode(Symmetry symmetry);
[[nodiscard]] std::optional<Symmetry> symmetry_named(std::string_view name);

// Whether the mode can lay out a map of this size and player count: the
// players are its copies, and a quarter turn needs a square map.
[[nodiscard]] bool symmetry_fits(Symmetry symmetry, std::int32_t width, std::int32_t height,
                                 std::int32_t players);

// The layout of one mode on one map size: which squares are made, and where
// each is copied to.
class SymmetryLayout {
 public:
  SymmetryLayout(Symmetry symmetry, std::int32_t width, std::int32_t height);

  [[nodiscard]] Symmetry symmetry() const { return symmetry_; }
  [[nodiscard]] std::int32_t copies() const { return symmetry_mode(symmetry_).copies; }

  // Where copy k of square (x, y) lies; copy 0 is the square itself. The
  // copies go round the map clockwise: for quad, 1 is the mirror across
  // the vertical axis, 2 the mirror across both, 3 across the horizontal
  // one; for rot4, k quarter turns clockwise.
  // Requires: 0 <= k < copies(); (x, y) on the map (for rot4 a square one).
  [[nodiscard]] HeartCentre image(HeartCentre square, std::int32_t k) const;

  // Whether the square is in the region that is made: every square of the
  // map is the copy of exactly one square of the region, and the squares
  // that are their own copies (on an axis or at the centre) are in it.
  [[nodiscard]] bool in_region(HeartCentre square) const;

  // Whether some copy other than the square itself lands on it.
  [[nodiscard]] bool fixed(HeartCentre square) const;

 private:
  Symmetry symmetry_;
  std::int32_t width_;
  std::int32_t height_;
};

// The tile code a copy shows for `code`: copy k of player p's heart is
// player p + k's (counted round the copies); every other code stays.
[[nodiscard]] char copied_code(char code, std::int32_t k, std::int32_t copies);

// Writes copy 1 … copies − 1 of every square of the region over the rest
// of the map.
void copy_region(TileGrid& grid, const SymmetryLayout& layout);

// The first mode (in kSymmetryModes order) that the map follows exactly:
// its players are the mode's copies, every heart centre's copy is another
// player's centre, every square shows its copy's tile with heart codes
// mapped from player to player that way, and every record the map keeps
// by player (`start_gold`, each player's, where given) is the same for a
// player and its image. Nothing when none does.
[[nodiscard]] std::optional<Symmetry> find_symmetry(const TileGrid& grid,
                                                    std::span<const HeartCentre> hearts,
                                                    std::span<const std::int32_t> start_gold = {});

}  // namespace tarnix
