#include "tarnixrandommap/run/map_params.h"

#include <array>
#include <limits>

#include "tarnixrandommap/mapfile/map_file.h"
#include "tarnixrandommap/placement/hearts.h"
#include "tarnixrandommap/run/printable.h"

namespace tarnix {

namespace {

constexpr std::int32_t kMinSide = 7;     // every random draw then has a non-empty range
constexpr std::int32_t kMinPlayers = 2;  // the map file always records players 1 and 2
constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();
// Heart centres are drawn at most 32767 squares apart on each axis, so no two
// are ever more than about 46341 apart: a wider spacing could never be met,
// and within ±46340 its square fits in 32 bits.
constexpr std::int32_t kMaxHeartSpacing = 46340;
constexpr std::int32_t kMinVoskDist = -kMaxHeartSpacing - 5;
constexpr std::int32_t kMaxVoskDist = kMaxHeartSpacing - 5;
constexpr std::int32_t kMaxPortalDist = kInt32Max - 4;

bool is_space(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

// The name as it can safely be shown on one console line, in quotes.
std::string quoted(std::string_view text) {
  std::string escaped;
  for (const char c : text) {
    if (c == '"' || c == '\\') escaped += '\\';
    escaped += c;
  }
  std::string shown(1, '"');
  shown += printable(escaped);
  shown += '"';
  return shown;
}

std::string rejected(std::string_view parameter, std::string_view allowed, std::int32_t got) {
  std::string line = "<";
  line += parameter;
  line += "> must be ";
  line += allowed;
  line += ", got ";
  line += std::to_string(got);
  return line;
}

std::string range(std::int32_t low, std::int32_t high) {
  return "from " + std::to_string(low) + " to " + std::to_string(high);
}

}  // namespace

std::int32_t convert_number(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && is_space(text[i]))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::uint32_t value = 0;  // unsigned, so that wrapping around is defined
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10U + static_cast<std::uint32_t>(text[i] - '0');
  }
  if (negative) value = 0U - value;
  return static_cast<std::int32_t>(value);  // two's complement, as C++20 defines it
}

MapParams convert_arguments(std::span<const std::string_view, kArgumentCount> args) {
  MapParams p;
  p.name = std::string(args[0]);
  p.width = convert_number(args[1]);
  p.height = convert_number(args[2]);
  p.players = convert_number(args[3]);
  p.start_gold = convert_number(args[4]);
  p.portals = convert_number(args[5]);
  p.gold = convert_number(args[6]);
  p.gems = convert_number(args[7]);
  p.lava = convert_number(args[8]);
  p.water = convert_number(args[9]);
  p.min_vosk_dist = convert_number(args[10]);
  p.min_portal_dist = convert_number(args[11]);
  return p;
}

std::vector<std::string> validate(const MapParams& p) {
  std::vector<std::string> problems;
  if (!is_good_map_name(p.name)) {
    problems.push_back("<name> must be 1 to " + std::to_string(kMaxNameBytes) +
                       R"( bytes with no "/", "\" or control characters, got )" + quoted(p.name) +
                       " (" + counted(p.name.size(), "byte") + ")");
  }
  const std::string at_least_side = "at least " + std::to_string(kMinSide);
  if (p.width < kMinSide) problems.push_back(rejected("width", at_least_side, p.width));
  if (p.height < kMinSide) problems.push_back(rejected("height", at_least_side, p.height));
  if (p.players < kMinPlayers || p.players > kMaxPlayers) {
    problems.push_back(rejected("players", range(kMinPlayers, kMaxPlayers), p.players));
  }
  struct Count {
    std::string_view parameter;
    std::int32_t value;
  };
  const std::array<Count, 5> counts = {{{"portals", p.portals},
                                        {"gold", p.gold},
                                        {"gems", p.gems},
                                        {"lava", p.lava},
                                        {"water", p.water}}};
  for (const auto& count : counts) {
    if (count.value < 0) problems.push_back(rejected(count.parameter, "0 or more", count.value));
  }
  if (p.min_vosk_dist < kMinVoskDist || p.min_vosk_dist > kMaxVoskDist) {
    problems.push_back(
        rejected("min_vosk_dist", range(kMinVoskDist, kMaxVoskDist), p.min_vosk_dist));
  }
  if (p.min_portal_dist > kMaxPortalDist) {
    problems.push_back(rejected("min_portal_dist", "at most " + std::to_string(kMaxPortalDist),
                                p.min_portal_dist));
  }
  return problems;
}

std::string map_file_name(const MapParams& params) {
  return params.name + ".map";
}

}  // namespace tarnix
