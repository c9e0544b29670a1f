#pragma once

#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "tarnixrandommap/mapfile/file_bytes.h"
#include "tarnixrandommap/mapfile/file_system.h"

namespace tarnix {

// What a JSON text the program reads may hold. Every text it reads comes
// from a user or another program, and the tree the parser builds is many
// times the text's size, and is walked recursively: the text is checked
// against these bounds before any tree is built.
struct JsonLimits {
  std::size_t depth = 8;        // objects and arrays inside each other
  std::size_t values = 100000;  // values of any kind, keys not counted
};

// Why a text was not read.
struct JsonError {
  enum class Kind {
    kSyntax,        // not JSON, at `byte`
    kEndsTooSoon,   // the text ends inside a value
    kTooDeep,       // nested deeper than the limit, at `byte`
    kTooMany,       // more values than the limit
    kDuplicateKey,  // `key` twice in one object
    kOutOfRange,    // a number (`token`, at `key`) too large for any number type
  };
  Kind kind = Kind::kSyntax;
  std::size_t byte = 0;  // counted from 1
  std::string key;       // the key of the innermost object where it went wrong, if any
  std::string token;     // the text of the number out of range
};

// The error as a phrase, "not valid JSON (at byte 12)", "the key \"width\"
// is given twice", with the key shown escaped.
[[nodiscard]] std::string json_error_text(const JsonError& error, const JsonLimits& limits);

// Reads `text` as one JSON value within `limits`: a duplicate key, a number
// beyond range (1e400) or anything over the limits is refused, never
// thrown. Returns false with *error filled.
[[nodiscard]] bool read_json(std::string_view text, const JsonLimits& limits, nlohmann::json* value,
                             JsonError* error);

// Reads the whole of a small file an option names (--params, --weights),
// at most `max_bytes`. False with *problem, after `who` ("--params x.json: "),
// saying it is too large for `kind` ("a file of weights") or why it cannot
// be read.
[[nodiscard]] bool read_option_file(const std::string& path, std::uint64_t max_bytes,
                                    const std::string& who, std::string_view kind,
                                    FileSystem& files, FileBytes* bytes, std::string* problem);

}  // namespace tarnix
