#include "tarnixmap/cli/help_format.h"

namespace tarnix {

std::string HelpFormatter::make_option_name(const CLI::Option* option, bool is_positional) const {
  if (is_positional) return option->get_name(true, false);
  std::string names;
  for (const std::string& name : option->get_snames())
    names += (names.empty() ? "-" : ",-") + name;
  for (const std::string& name : option->get_lnames())
    names += (names.empty() ? "--" : ",--") + name;
  return names;
}

std::string HelpFormatter::make_option_usage(const CLI::Option* option) const {
  std::string usage = option->get_name(true, false);
  if (option->get_expected_max() > 1) usage += "...";
  return option->get_required() ? usage : "[" + usage + "]";
}

}  // namespace tarnix
