#pragma once

#include <array>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "tarnixrandommap/mapfile/file_system.h"
#include "tarnixrandommap/placement/symmetry.h"
#include "tarnixrandommap/run/map_params.h"

namespace tarnix {

// A map's values as JSON, so that the map can be made again: "name" (with
// "name_hex" where the name's bytes do not print as themselves), the eleven
// values after it under the generator's own names ("width", "start_gold",
// "min_vosk_dist", ...), "seed" where there is one, and "symmetry" (the
// mode's name) for a symmetric map.
[[nodiscard]] nlohmann::json params_json(const MapParams& params, std::optional<std::uint32_t> seed,
                                         std::optional<Symmetry> symmetry = std::nullopt);

// What a map file tells of its values: "name", "width", "height" and
// "players"; the amounts and the seed are not in the file.
[[nodiscard]] nlohmann::json file_params_json(std::string_view name, std::int32_t width,
                                              std::int32_t height, std::int32_t players);

// The map's twelve values as the last words of a command: the name quoted
// where it must be (and after "--" where it starts with "-"), then the
// eleven numbers.
[[nodiscard]] std::string values_words(const MapParams& params);

// The command that writes the map of `seed` again, as a shell reads it:
// tarnixmap generate --seed S [--symmetry MODE] NAME WIDTH ...
// MIN_PORTAL_DIST, the name quoted where it must be.
[[nodiscard]] std::string generate_command_line(const MapParams& params, std::uint32_t seed,
                                                std::optional<Symmetry> symmetry = std::nullopt);

// A word as a POSIX shell reads it back: as it is when it holds nothing a
// shell would act on, in single quotes otherwise, and in bash's $'...' with
// \xNN for each byte a terminal could act on or that is not UTF-8.
[[nodiscard]] std::string shell_word(std::string_view word);

// The values a --params file gives: the name and the eleven as text (each
// absent where the file leaves it out), the seed and the symmetry.
struct ParamsFile {
  std::array<std::optional<std::string>, kArgumentCount> values;
  std::optional<std::uint32_t> seed;
  std::optional<Symmetry> symmetry;
};

// Reads the JSON object of a --params file: the keys params_json writes
// ("name_hex" wins over "name"), each value a whole number in the range
// its option takes. False with *problem naming the key that is unknown or
// whose value is not allowed, or saying why the text is no such object.
[[nodiscard]] bool parse_params(std::string_view text, ParamsFile* params, std::string* problem);

// Reads the --params file at `path` and puts its values into `values`
// where `given` is false; its seed into *seed unless one is there already,
// and its symmetry into *symmetry unless the command line chose one
// (`symmetry_given`). False after saying on *problem, with the file's
// name, what is wrong.
struct ParamsTargets {
  std::optional<std::uint32_t>* seed;
  std::optional<Symmetry>* symmetry;
  bool symmetry_given;
};
[[nodiscard]] bool apply_params_file(const std::string& path,
                                     const std::array<bool, kArgumentCount>& given,
                                     std::array<std::string, kArgumentCount>& values,
                                     const ParamsTargets& targets, FileSystem& files,
                                     std::string* problem);

}  // namespace tarnix
