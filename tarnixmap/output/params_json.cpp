#include "tarnixmap/output/params_json.h"

#include <algorithm>
#include <string_view>

#include "tarnixmap/output/json_input.h"
#include "tarnixmap/output/json_output.h"
#include "tarnixmap/values/map_values.h"
#include "tarnixmap/values/symmetry_options.h"
#include "tarnixrandommap/run/printable.h"

namespace tarnix {

namespace {

// A params file is a handful of numbers and a name: anything longer is
// not one.
constexpr std::uint64_t kMaxParamsBytes = std::uint64_t{64} * 1024;

std::array<std::int32_t, kArgumentCount - 1> numbers_of(const MapParams& p) {
  return {p.width, p.height, p.players, p.start_gold,    p.portals,        p.gold,
          p.gems,  p.lava,   p.water,   p.min_vosk_dist, p.min_portal_dist};
}

// Bytes from their hex digits, two to a byte; nothing when the text is not
// that.
std::optional<std::string> from_hex(std::string_view hex) {
  const auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string bytes;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int high = digit(hex[i]);
    const int low = digit(hex[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes += static_cast<char>(high * 16 + low);
  }
  return bytes;
}

// The whole number a JSON value holds, if it is one within [low, high].
std::optional<std::int64_t> whole_number(const nlohmann::json& value, std::int64_t low,
                                         std::int64_t high) {
  std::int64_t n = 0;
  if (value.is_number_unsigned()) {
    const auto u = value.get<std::uint64_t>();
    if (u > static_cast<std::uint64_t>(high)) return std::nullopt;
    n = static_cast<std::int64_t>(u);
  } else if (value.is_number_integer()) {
    n = value.get<std::int64_t>();
  } else {
    return std::nullopt;
  }
  if (n < low || n > high) return std::nullopt;
  return n;
}

std::string shown_value(const nlohmann::json& value) {
  constexpr std::size_t kShown = 40;
  const std::string text =
      value.dump(-1, ' ', true, nlohmann::json::error_handler_t::replace).substr(0, kShown + 1);
  return text.size() > kShown ? text.substr(0, kShown) + "..." : text;
}

std::string keys_list() {
  std::string list = "name, seed, symmetry";
  for (const NamedValue& v : kNamedValues)
    list += std::string(", ") + v.key;
  return list;
}

}  // namespace

nlohmann::json params_json(const MapParams& params, std::optional<std::uint32_t> seed,
                           std::optional<Symmetry> symmetry) {
  nlohmann::json object = nlohmann::json::object();
  put_text(object, "name", params.name);
  const auto numbers = numbers_of(params);
  for (std::size_t i = 0; i < kNamedValues.size(); ++i)
    object[kNamedValues[i].key] = numbers[i];
  if (seed) object["seed"] = *seed;
  if (symmetry) object["symmetry"] = symmetry_mode(*symmetry).name;
  return object;
}

nlohmann::json file_params_json(std::string_view name, std::int32_t width, std::int32_t height,
                                std::int32_t players) {
  nlohmann::json object = {{"width", width}, {"height", height}, {"players", players}};
  put_text(object, "name", name);
  return object;
}

std::string shell_word(std::string_view word) {
  const auto plain = [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("_.,+:=@%/-").find(c) != std::string_view::npos;
  };
  // A word that starts with "=" is expanded by zsh to a command's path
  // ("=ls"): quoted too.
  const bool expands = !word.empty() && word.front() == '=';
  if (!word.empty() && !expands && std::ranges::all_of(word, plain)) return std::string(word);
  if (printable(word) == word) {
    std::string quoted = "'";
    for (const char c : word)
      quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
  }
  std::string quoted = "$'";
  for (const char c : word) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\'' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (byte < 0x20 || byte >= 0x7F) {
      quoted += "\\x" + hex_byte(c);
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

std::string values_words(const MapParams& params) {
  // A name that starts with "-" would be taken for an option.
  std::string words = params.name.starts_with('-') ? "-- " : "";
  words += shell_word(params.name);
  for (const std::int32_t n : numbers_of(params))
    words += " " + std::to_string(n);
  return words;
}

std::string generate_command_line(const MapParams& params, std::uint32_t seed,
                                  std::optional<Symmetry> symmetry) {
  std::string line = "tarnixmap generate --seed " + std::to_string(seed) + " ";
  if (symmetry) line += "--symmetry " + std::string(symmetry_mode(*symmetry).name) + " ";
  return line + values_words(params);
}

namespace {

// What a key of a params file takes, as a usage error says it; empty for
// a key that is not one.
std::string wanted_of(std::string_view key) {
  if (key == "name") return "must be a string";
  if (key == "name_hex") return "must be hex digits";
  if (key == "symmetry") return "must be one of " + symmetry_names() + ", or null";
  if (key == "seed") return "must be a whole number from 0 to 4294967295";
  const auto* named =
      std::ranges::find_if(kNamedValues, [&](const NamedValue& v) { return key == v.key; });
  if (named == kNamedValues.end()) return {};
  return "must be a whole number from " + std::to_string(named->low) + " to " +
         std::to_string(named->high);
}

std::string unknown_key(std::string_view key) {
  return "unknown key \"" + printable(key) + "\"; the keys are " + keys_list();
}

// Why the text is not an object of map values, as a usage error says it.
std::string json_problem(const JsonError& error, const JsonLimits& limits) {
  if (error.kind != JsonError::Kind::kOutOfRange || error.key.empty())
    return json_error_text(error, limits);
  const std::string wanted = wanted_of(error.key);
  if (wanted.empty()) return unknown_key(error.key);
  return "\"" + printable(error.key) + "\" " + wanted + ", got " + printable(error.token);
}

}  // namespace

bool parse_params(std::string_view text, ParamsFile* params, std::string* problem) {
  nlohmann::json object;
  const JsonLimits limits;
  if (JsonError error; !read_json(text, limits, &object, &error)) {
    *problem = json_problem(error, limits);
    return false;
  }
  if (!object.is_object()) {
    *problem = "not a JSON object of map values, as {\"width\": 64, ...}";
    return false;
  }
  *params = ParamsFile{};
  for (const auto& [key, value] : object.items()) {
    const std::string wanted = wanted_of(key);
    if (wanted.empty()) {
      *problem = unknown_key(key);
      return false;
    }
    const std::string bad = "\"" + printable(key) + "\" " + wanted + ", got " + shown_value(value);
    if (key == "name" || key == "name_hex") {
      std::optional<std::string> name;
      if (value.is_string()) {
        name = key == "name" ? value.get<std::string>() : from_hex(value.get<std::string>());
      }
      if (!name) {
        *problem = bad;
        return false;
      }
      // The bytes themselves win over the name as a terminal shows it.
      if (key == "name_hex" || !object.contains("name_hex")) params->values[0] = *name;
      continue;
    }
    if (key == "symmetry") {
      params->symmetry =
          value.is_string() ? symmetry_named(value.get<std::string>()) : std::nullopt;
      if (!params->symmetry && !value.is_null()) {
        *problem = bad;
        return false;
      }
      continue;
    }
    if (key == "seed") {
      const auto seed = whole_number(value, 0, 4294967295);
      if (!seed) {
        *problem = bad;
        return false;
      }
      params->seed = static_cast<std::uint32_t>(*seed);
      continue;
    }
    const std::string& wanted_key = key;  // a lambda may not capture a structured binding
    const auto* named = std::ranges::find_if(
        kNamedValues, [&](const NamedValue& v) { return wanted_key == v.key; });
    const auto n = whole_number(value, named->low, named->high);
    if (!n) {
      *problem = bad;
      return false;
    }
    params->values[static_cast<std::size_t>(named - kNamedValues.begin()) + 1] = std::to_string(*n);
  }
  return true;
}

bool apply_params_file(const std::string& path, const std::array<bool, kArgumentCount>& given,
                       std::array<std::string, kArgumentCount>& values,
                       const ParamsTargets& targets, FileSystem& files, std::string* problem) {
  const std::string who = "--params " + printable(path) + ": ";
  FileBytes bytes;
  if (!read_option_file(path, kMaxParamsBytes, who, "a JSON object of map values", files, &bytes,
                        problem))
    return false;
  ParamsFile params;
  if (!parse_params(bytes.view(), &params, problem)) {
    *problem = who + *problem;
    return false;
  }
  for (std::size_t i = 0; i < kArgumentCount; ++i) {
    if (!given[i] && params.values[i]) values[i] = *params.values[i];
  }
  if (!given[0] && !params.values[0]) {
    *problem = who + "holds no \"name\"; give NAME after the options";
    return false;
  }
  if (!*targets.seed) *targets.seed = params.seed;
  if (!targets.symmetry_given) *targets.symmetry = params.symmetry;
  return true;
}

}  // namespace tarnix
