#pragma once

#include <string_view>

namespace tarnix {

// The designer's page: HTML with its style and script inside, built into
// the program from page.html, so that nothing is read from disk and
// nothing is fetched from anywhere else.
[[nodiscard]] std::string_view designer_page();

}  // namespace tarnix
