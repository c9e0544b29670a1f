#pragma once

#include <CLI/CLI.hpp>
#include <array>
#include <string>
#include <vector>

#include "tarnixrandommap/run/console.h"
#include "tarnixrandommap/run/map_params.h"

namespace tarnix {

// The generator's twelve values on tarnixmap's command line: NAME, then
// either the other eleven in the generator's order, or any of them by name
// (--width 64, --size 96x96, --players 2 ...), each one not named taking the
// value of the README's example (Cave 64 64 4 500 5 300 40 200 200 20 10).
class MapValues {
 public:
  MapValues() = default;
  MapValues(const MapValues&) = delete;
  MapValues& operator=(const MapValues&) = delete;

  // Adds NAME, the eleven positional values and the named options.
  void add_to(CLI::App* command);

  // The twelve values as the generator takes them. False after a usage
  // error, reported on `err`: a value given both ways, a named value out of
  // its range or not a plain decimal number, or not all eleven in order.
  [[nodiscard]] bool fill(std::array<std::string, kArgumentCount>& values, Console& err) const;

 private:
  CLI::App* command_ = nullptr;
  std::string name_;
  std::vector<std::string> in_order_;                  // the eleven values after NAME
  std::array<std::string, kArgumentCount - 1> named_;  // each named value's text
  std::string size_;                                   // --size WxH
};

}  // namespace tarnix
