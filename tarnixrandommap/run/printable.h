#pragma once

#include <string>
#include <string_view>

namespace tarnix {

// Text from outside (a file's bytes, a name, a path) as it can safely be
// shown on a terminal: every byte a terminal could act on becomes \xNN. That
// is each C0 control byte and DEL, each C1 control (U+0080 to U+009F, the
// bytes C2 80 to C2 9F in UTF-8) and each byte that is not part of valid
// UTF-8. Everything else, other languages' letters included, is kept.
[[nodiscard]] std::string printable(std::string_view text);

// The two hex digits of a byte, "1B" for escape.
[[nodiscard]] std::string hex_byte(char c);

}  // namespace tarnix
