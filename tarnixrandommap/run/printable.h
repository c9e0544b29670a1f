#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnix {

// Text from outside (a file's bytes, a name, a path) as it can safely be
// shown on a terminal: every byte a terminal could act on becomes \xNN. That
// is each C0 control byte and DEL, each C1 control (U+0080 to U+009F, the
// bytes C2 80 to C2 9F in UTF-8), each control of bidirectional text (which
// would reorder what follows it: U+202A to U+202E, U+2066 to U+2069, and the
// marks U+200E, U+200F and U+061C) and each byte that is not part of valid
// UTF-8. Everything else, other languages' letters included, is kept.
[[nodiscard]] std::string printable(std::string_view text);

// A count with its noun, in the singular for one: "1 seed", "2 seeds".
[[nodiscard]] std::string counted(std::uint64_t n, std::string_view noun);

// The two hex digits of a byte, "1B" for escape.
[[nodiscard]] std::string hex_byte(char c);

}  // namespace tarnix
