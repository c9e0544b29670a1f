#include "tarnixmap/output/json_input.h"

#include <algorithm>
#include <set>
#include <vector>

#include "tarnixrandommap/run/printable.h"

namespace tarnix {

namespace {

using Json = nlohmann::json;

// Walks the text as the parser reads it, building nothing but one set of
// keys for each object open, and stops at the first thing over a limit.
class BoundsCheck {
 public:
  BoundsCheck(std::size_t size, const JsonLimits& limits, JsonError* error)
      : size_(size), limits_(limits), error_(error) {}

  bool null() { return value(); }
  bool boolean(bool /*unused*/) { return value(); }
  bool number_integer(Json::number_integer_t /*unused*/) { return value(); }
  bool number_unsigned(Json::number_unsigned_t /*unused*/) { return value(); }
  bool number_float(Json::number_float_t /*unused*/, const Json::string_t& /*unused*/) {
    return value();
  }
  bool string(Json::string_t& /*unused*/) { return value(); }
  bool binary(Json::binary_t& /*unused*/) { return value(); }

  bool start_object(std::size_t /*unused*/) { return open(true); }
  bool end_object() { return close(); }
  bool start_array(std::size_t /*unused*/) { return open(false); }
  bool end_array() { return close(); }

  bool key(Json::string_t& key) {
    Frame& frame = frames_.back();
    if (!frame.keys.insert(key).second) {
      error_->kind = JsonError::Kind::kDuplicateKey;
      error_->key = key;
      return false;
    }
    frame.key = key;
    return true;
  }

  bool parse_error(std::size_t position, const std::string& token,
                   const nlohmann::detail::exception& e) {
    // The parser counts bytes from 1, and the end of the text as one more.
    error_->byte = position;
    if (e.id == 406) {  // a number too large for a double
      error_->kind = JsonError::Kind::kOutOfRange;
      error_->token = token;
      error_->key = innermost_key();
    } else {
      error_->kind = position > size_ ? JsonError::Kind::kEndsTooSoon : JsonError::Kind::kSyntax;
    }
    return false;
  }

 private:
  struct Frame {
    bool object = false;
    std::set<std::string, std::less<>> keys;
    std::string key;  // the last key read, in an object
  };

  bool value() {
    if (++values_ <= limits_.values) return true;
    error_->kind = JsonError::Kind::kTooMany;
    return false;
  }

  bool open(bool object) {
    if (!value()) return false;
    if (frames_.size() >= limits_.depth) {
      error_->kind = JsonError::Kind::kTooDeep;
      return false;
    }
    frames_.push_back(Frame{object, {}, {}});
    return true;
  }

  bool close() {
    frames_.pop_back();
    return true;
  }

  [[nodiscard]] std::string innermost_key() const {
    const auto object = std::ranges::find_if(frames_.rbegin(), frames_.rend(),
                                             [](const Frame& f) { return f.object; });
    return object == frames_.rend() ? std::string() : object->key;
  }

  std::size_t size_;
  const JsonLimits& limits_;
  JsonError* error_;
  std::vector<Frame> frames_;
  std::size_t values_ = 0;
};

}  // namespace

std::string json_error_text(const JsonError& error, const JsonLimits& limits) {
  std::string key = "\"";  // built in steps: g++ 12 warns wrongly of "x" + a string
  key += printable(error.key);
  key += '"';
  switch (error.kind) {
    case JsonError::Kind::kSyntax:
      return "not valid JSON (at byte " + std::to_string(error.byte) + ")";
    case JsonError::Kind::kEndsTooSoon:
      return "not valid JSON (it ends too soon)";
    case JsonError::Kind::kTooDeep:
      return "objects and lists nested more than " + std::to_string(limits.depth) + " deep";
    case JsonError::Kind::kTooMany:
      return "more than " + std::to_string(limits.values) + " values";
    case JsonError::Kind::kDuplicateKey:
      return "the key " + key + " is given twice";
    case JsonError::Kind::kOutOfRange:
      return (error.key.empty() ? std::string() : key + ": ") + "the number " +
             printable(error.token) + " is out of range";
  }
  return "not valid JSON";
}

bool read_json(std::string_view text, const JsonLimits& limits, Json* value, JsonError* error) {
  *error = JsonError{};
  BoundsCheck check(text.size(), limits, error);
  if (!Json::sax_parse(text, &check)) return false;
  // Within the limits, and valid: the tree can be built, and nothing throws.
  *value = Json::parse(text, nullptr, false);
  return !value->is_discarded();
}

bool read_option_file(const std::string& path, std::uint64_t max_bytes, const std::string& who,
                      std::string_view kind, FileSystem& files, FileBytes* bytes,
                      std::string* problem) {
  std::uint64_t size = 0;
  std::string why;
  switch (files.read_file(path, max_bytes, bytes, &size, &why)) {
    case ReadStatus::kRead:
      return true;
    case ReadStatus::kTooLarge:
      *problem = who + "too large (" + std::to_string(size) + " bytes or more) for ";
      *problem += kind;
      return false;
    case ReadStatus::kFailed:
      *problem = who + "cannot read it: " + why;
      return false;
  }
  return false;
}

}  // namespace tarnix
