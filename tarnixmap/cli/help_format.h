#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace tarnix {

// The help's lines in plain words: an option is listed by its names alone
// ("-o,--output", "--no-legend", never the parser's "{false}" of a flag
// that sets false), and a positional that takes several words by its name
// and "..." ("[VALUES...]", "FILE..."), never a count such as "(0x)".
class HelpFormatter : public CLI::Formatter {
 public:
  [[nodiscard]] std::string make_option_name(const CLI::Option* option,
                                             bool is_positional) const override;
  [[nodiscard]] std::string make_option_usage(const CLI::Option* option) const override;
};

}  // namespace tarnix
