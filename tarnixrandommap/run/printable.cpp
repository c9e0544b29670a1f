#include "tarnixrandommap/run/printable.h"

#include <cstdint>

namespace tarnix {

namespace {

// The controls of bidirectional text: embeddings and overrides (U+202A to
// U+202E), isolates (U+2066 to U+2069) and the directional marks (U+200E,
// U+200F, U+061C). Shown raw, they reorder what a terminal displays after
// them, so a name could look like another.
bool is_bidi_control(std::uint32_t code) {
  return (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069) ||
         code == 0x200E || code == 0x200F || code == 0x061C;
}

// The length of the valid UTF-8 sequence at the start of `text` that is
// not a control, or 0 when its first byte must be escaped. Overlong forms,
// surrogates and code points past U+10FFFF are not valid.
std::size_t safe_sequence(std::string_view text) {
  const auto byte = [&text](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(0);
  if (lead >= 0x20 && lead < 0x7F) return 1;
  std::size_t length = 0;
  std::uint32_t low = 0;  // the smallest code point that needs this length
  std::uint32_t code = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    low = 0xA0;  // U+0080 to U+009F are the C1 controls
    code = lead & 0x1FU;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    low = 0x800;
    code = lead & 0x0FU;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    low = 0x10000;
    code = lead & 0x07U;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0U) != 0x80U) return 0;
    code = (code << 6U) | (byte(i) & 0x3FU);
  }
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  if (code < low || code > 0x10FFFF || surrogate || is_bidi_control(code)) return 0;
  return length;
}

}  // namespace

std::string counted(std::uint64_t n, std::string_view noun) {
  std::string text = std::to_string(n) + " ";
  text += noun;
  if (n == 1) return text;
  // "searches", "boxes": a hiss at the end takes "es".
  const bool hiss =
      noun.ends_with('s') || noun.ends_with('x') || noun.ends_with("ch") || noun.ends_with("sh");
  text += hiss ? "es" : "s";
  return text;
}

std::string hex_byte(char c) {
  static constexpr std::string_view kHex = "0123456789ABCDEF";
  const auto byte = static_cast<unsigned char>(c);
  return {kHex[byte >> 4U], kHex[byte & 0xFU]};
}

std::string printable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const std::size_t keep = safe_sequence(text);
    if (keep > 0) {
      out += text.substr(0, keep);
      text.remove_prefix(keep);
    } else {
      const std::string hex = hex_byte(text.front());
      out.push_back('\\');
      out.push_back('x');
      out.append(hex);
      text.remove_prefix(1);
    }
  }
  return out;
}

}  // namespace tarnix
