#pragma once

#include <array>
#include <string>

namespace tarnix {

// Which of standard input, output and error (descriptors 0, 1 and 2) the
// program was started without.
struct StandardDescriptors {
  std::array<bool, 3> closed{};

  [[nodiscard]] bool is_closed(int fd) const {
    return fd >= 0 && fd < 3 && closed[static_cast<std::size_t>(fd)];
  }
};

// Puts /dev/null in the place of each of descriptors 0, 1 and 2 that is
// closed, so that no file the program opens later takes one of their
// numbers (and gets the console's output, or is taken for standard output
// by name), and says which were closed. Called once, first thing in main.
[[nodiscard]] StandardDescriptors reserve_standard_descriptors();

// How a closed descriptor is named to the user: "standard output is
// closed", or "descriptor 7 is not open".
[[nodiscard]] std::string closed_descriptor_message(int fd);

}  // namespace tarnix
