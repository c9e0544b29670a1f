#include "tarnixrandommap/mapfile/map_file.h"

#include <algorithm>
#include <array>

namespace tarnix {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

void add_line(std::string& out, std::string_view text) {
  out += text;
  out += kLineEnd;
}

}  // namespace

bool is_control_byte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

bool is_forbidden_in_name(char c) {
  return c == '/' || c == '\\' || is_control_byte(c);
}

bool is_good_map_name(std::string_view name) {
  if (name.empty() || name.size() > kMaxNameBytes) return false;
  return std::ranges::none_of(name, is_forbidden_in_name);
}

std::string map_file_head(const MapFileFields& fields, const TileGrid& grid) {
  std::string out;
  add_line(out, fields.name);
  add_line(out, "PLAYERS " + std::to_string(fields.players));
  add_line(out, "");
  add_line(out, "MAP");
  add_line(out, std::to_string(grid.width()) + " X " + std::to_string(grid.height()));
  add_line(out, "");
  return out;
}

std::string map_file_tail(const MapFileFields& fields, const HeartTable& hearts) {
  std::string out;
  add_line(out, "");
  add_line(out, "MAP_CODES");
  add_line(out, std::to_string(kTileCodes.size()));
  for (const TileCode& code : kTileCodes) {
    out += code.code;
    out += ' ';
    add_line(out, code.name);
  }
  add_line(out, "");
  for (const std::string_view line :
       {"THINGS", "0", "CREATURES", "0", "DOORS", "0", "TRAPS", "0", "HEARTS_AND_GOLD"}) {
    add_line(out, line);
  }
  // The format always records players 1 and 2.
  const auto recorded = static_cast<std::size_t>(std::clamp(fields.players, 2, kMaxPlayers));
  for (std::size_t p = 0; p < recorded; ++p) {
    const HeartCentre c = hearts.centres[p];
    add_line(out, "VSK" + std::to_string(p + 1) + "_HEART_CENTER " + std::to_string(c.x) + " " +
                      std::to_string(c.y));
  }
  for (std::size_t p = 0; p < recorded; ++p) {
    add_line(out, "GOLD" + std::to_string(p + 1) + " " + std::to_string(fields.start_gold));
  }
  add_line(out, "");
  add_line(out, "EOF");
  add_line(out, "");
  return out;
}

bool write_map_file(FileSystem& files, std::string_view path, const MapFileFields& fields,
                    const TileGrid& grid, const HeartTable& hearts, std::string* err) {
  const std::string head = map_file_head(fields, grid);
  const std::string tail = map_file_tail(fields, hearts);
  // The grid's block already holds each row followed by CR LF.
  const std::array<std::string_view, 3> parts = {head, grid.rows(), tail};
  return files.write_file(path, parts, err);
}

}  // namespace tarnix
