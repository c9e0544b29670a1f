#include "tarnixmap/commands/map_values.h"

#include <limits>
#include <string_view>

#include "tarnixmap/commands/option_value.h"
#include "tarnixrandommap/run/printable.h"

namespace tarnix {

namespace {

constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

// One of the eleven values after NAME, by name.
struct NamedValue {
  const char* names;  // the option, and the generator's own spelling
  std::int64_t low;   // its range
  std::int64_t high;
  const char* default_value;  // the README's example
  const char* type;
  const char* help;
};

constexpr std::array<NamedValue, kArgumentCount - 1> kNamed = {{
    {"--width", 7, kInt32Max, "64", "W", "map width in squares, border included"},
    {"--height", 7, kInt32Max, "64", "H", "map height in squares, border included"},
    {"--players", 2, 4, "4", "N", "number of players, 2 to 4"},
    {"--start-gold,--start_gold", kInt32Min, kInt32Max, "500", "G",
     "starting gold of every player"},
    {"--portals", 0, kInt32Max, "5", "N", "number of 3 x 3 neutral portals"},
    {"--gold", 0, kInt32Max, "300", "N", "number of gold squares, grown in blobs"},
    {"--gems", 0, kInt32Max, "40", "N", "number of single gem squares"},
    {"--lava", 0, kInt32Max, "200", "N", "number of lava squares, grown in blobs"},
    {"--water", 0, kInt32Max, "200", "N", "number of water squares, grown in blobs"},
    {"--min-vosk-dist,--min_vosk_dist", -46345, 46335, "20", "D",
     "heart spacing: each player's heart (a vosk) is at least D + 5 squares from every other "
     "heart, centre to centre"},
    {"--min-portal-dist,--min_portal_dist", kInt32Min, 2147483643, "10", "D",
     "portal spacing: a portal's top-left square is at least D + 4 squares from every heart "
     "centre, across or down"},
}};

// The first name of an option: "--start-gold" of "--start-gold,--start_gold".
std::string first_name(const char* names) {
  const std::string_view all(names);
  return std::string(all.substr(0, all.find(',')));
}

}  // namespace

void MapValues::add_to(CLI::App* command) {
  command_ = command;
  command
      ->add_option("NAME", name_,
                   "map name; the file is NAME.map (1 to 95 bytes, no /, \\ or control "
                   "characters)")
      ->required();
  command
      ->add_option("VALUES", in_order_,
                   "or all eleven values after NAME, in the generator's order: WIDTH HEIGHT "
                   "PLAYERS START_GOLD PORTALS GOLD GEMS LAVA WATER MIN_VOSK_DIST MIN_PORTAL_DIST")
      ->expected(0, static_cast<int>(kArgumentCount - 1));
  for (std::size_t i = 0; i < kNamed.size(); ++i) {
    const NamedValue& v = kNamed[i];
    command
        ->add_option(v.names, named_[i], std::string(v.help) + " (default " + v.default_value + ")")
        ->type_name(v.type)
        ->group("Map values (instead of the eleven after NAME)");
  }
  command->add_option("--size", size_, "map width and height at once, as 96x96")
      ->type_name("WxH")
      ->group("Map values (instead of the eleven after NAME)");
  // Negative spacings are taken as values: the parser reads a word that
  // looks like a negative number as one.
}

bool MapValues::fill(std::array<std::string, kArgumentCount>& values, Console& err) const {
  const std::string who = "tarnixmap " + command_->get_name() + ": ";
  values[0] = name_;
  std::vector<std::string> given;  // the named values given
  for (const NamedValue& v : kNamed) {
    if (command_->count(first_name(v.names)) > 0) given.push_back(first_name(v.names));
  }
  if (!size_.empty()) given.emplace_back("--size");
  if (!in_order_.empty()) {
    if (in_order_.size() != kArgumentCount - 1) {
      err.line(who +
               "after NAME give all eleven values in order, or name those you want (as "
               "--width 64); got " +
               counted(in_order_.size(), "value"));
      return false;
    }
    if (!given.empty()) {
      err.line(who + given.front() +
               " names a value that the eleven after NAME give already; "
               "give them in order or by name, not both");
      return false;
    }
    std::copy(in_order_.begin(), in_order_.end(), values.begin() + 1);
    return true;
  }
  for (std::size_t i = 0; i < kNamed.size(); ++i) {
    const NamedValue& v = kNamed[i];
    const std::string option = first_name(v.names);  // the range below points into it
    const OptionRange range{option, v.low, v.high};
    values[i + 1] = v.default_value;
    if (command_->count(option) == 0) continue;
    const auto value = parse_option_value(named_[i], range);
    if (!value) {
      err.line(who + option_value_problem(named_[i], range));
      return false;
    }
    values[i + 1] = std::to_string(*value);
  }
  if (!size_.empty()) {
    const std::size_t x = size_.find_first_of("xX");
    const OptionRange side{"--size", 7, kInt32Max};
    const auto width =
        x == std::string::npos ? std::nullopt : parse_option_value(size_.substr(0, x), side);
    const auto height =
        x == std::string::npos ? std::nullopt : parse_option_value(size_.substr(x + 1), side);
    if (!width || !height) {
      err.line(who + "--size must be WIDTHxHEIGHT, each a whole number from 7 to " +
               std::to_string(kInt32Max) + ", got \"" + printable(size_) + "\"");
      return false;
    }
    if (command_->count("--width") + command_->count("--height") > 0) {
      err.line(who + "--size gives the width and height; leave out --width and --height");
      return false;
    }
    values[1] = std::to_string(*width);
    values[2] = std::to_string(*height);
  }
  return true;
}

}  // namespace tarnix
