#include "tarnixmap/values/map_values.h"

#include <string_view>

#include "tarnixmap/values/option_value.h"
#include "tarnixrandommap/run/printable.h"

namespace tarnix {

namespace {

// The first name of an option: "--start-gold" of "--start-gold,--start_gold".
std::string first_name(const char* names) {
  const std::string_view all(names);
  return std::string(all.substr(0, all.find(',')));
}

}  // namespace

void MapValues::add_to(CLI::App* command) {
  command_ = command;
  command->add_option("NAME", name_,
                      "map name; the file is NAME.map (1 to 95 bytes, no /, \\ or control "
                      "characters; default: the name in --params FILE)");
  command
      ->add_option("VALUES", in_order_,
                   "or all eleven values after NAME, in the generator's order: WIDTH HEIGHT "
                   "PLAYERS START_GOLD PORTALS GOLD GEMS LAVA WATER MIN_VOSK_DIST MIN_PORTAL_DIST")
      ->expected(0, static_cast<int>(kArgumentCount - 1));
  for (std::size_t i = 0; i < kNamedValues.size(); ++i) {
    const NamedValue& v = kNamedValues[i];
    command
        ->add_option(v.names, named_[i], std::string(v.help) + " (default " + v.default_value + ")")
        ->type_name(v.type)
        ->group("Map values (instead of the eleven after NAME)");
  }
  command->add_option("--size", size_, "map width and height at once, as 96x96")
      ->type_name("WxH")
      ->group("Map values (instead of the eleven after NAME)");
  command
      ->add_option("--params", params_file_,
                   "take the values (and the name and seed) from FILE, a JSON object of them as "
                   "check, search and the page give it; values given here override it")
      ->type_name("FILE")
      ->group("Map values (instead of the eleven after NAME)");
  // Negative spacings are taken as values: the parser reads a word that
  // looks like a negative number as one.
}

bool MapValues::fill(GivenValues& out, Console& err) const {
  const std::string who = "tarnixmap " + command_->get_name() + ": ";
  std::array<std::string, kArgumentCount>& values = out.values;
  out.params_file = params_file_;
  out.given.fill(false);
  out.given[0] = command_->count("NAME") > 0;
  if (!out.given[0] && params_file_.empty()) {
    err.line(who + "NAME is required (or --params FILE, with a name)\n'tarnixmap " +
             command_->get_name() + " --help' tells more.");
    return false;
  }
  values[0] = name_;
  std::vector<std::string> given;  // the named values given
  for (const NamedValue& v : kNamedValues) {
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
    if (!params_file_.empty()) {
      err.line(who +
               "--params gives the values that the eleven after NAME give already; give "
               "one or the other");
      return false;
    }
    std::copy(in_order_.begin(), in_order_.end(), values.begin() + 1);
    out.given.fill(true);
    return true;
  }
  for (std::size_t i = 0; i < kNamedValues.size(); ++i) {
    const NamedValue& v = kNamedValues[i];
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
    out.given[i + 1] = true;
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
    out.given[1] = true;
    out.given[2] = true;
  }
  return true;
}

MapParams params_of(const std::array<std::string, kArgumentCount>& values) {
  std::array<std::string_view, kArgumentCount> views;
  for (std::size_t i = 0; i < kArgumentCount; ++i)
    views[i] = values[i];
  return convert_arguments(views);
}

}  // namespace tarnix
