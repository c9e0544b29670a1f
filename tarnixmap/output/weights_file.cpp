#include "tarnixmap/output/weights_file.h"

#include <algorithm>

#include "tarnixmap/output/json_input.h"
#include "tarnixrandommap/run/printable.h"

namespace tarnix {

namespace {

// More than a file of weights with a few lines about them ever needs.
constexpr std::uint64_t kMaxWeightsBytes = std::uint64_t{64} * 1024;
constexpr JsonLimits kWeightsLimits{6, 4000};

}  // namespace

std::string weights_file_text(const Weights& weights, const nlohmann::json& about) {
  nlohmann::json named = nlohmann::json::object();
  for (std::size_t f = 0; f < kFigureCount; ++f)
    named[std::string(kFigures[f].name)] = weights[f];
  const nlohmann::json file = {{"weights", named}, {"calibration", about}};
  return file.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

bool read_weights_file(const std::string& path, FileSystem& files, Weights* weights,
                       std::string* problem) {
  const std::string who = "--weights " + printable(path) + ": ";
  FileBytes bytes;
  if (!read_option_file(path, kMaxWeightsBytes, who, "a file of weights", files, &bytes, problem))
    return false;
  nlohmann::json file;
  JsonError error;
  if (!read_json(bytes.view(), kWeightsLimits, &file, &error)) {
    *problem = who + json_error_text(error, kWeightsLimits);
    return false;
  }
  const auto named = file.is_object() ? file.find("weights") : file.end();
  if (!file.is_object() || named == file.end() || !named->is_object()) {
    *problem = who + R"(must be a JSON object with "weights", an object of figures by name)";
    return false;
  }
  for (const auto& [name, value] : named->items()) {
    if (!figure_named(name)) {
      *problem = who + "\"" + printable(name) + "\" is not a figure";
      return false;
    }
  }
  Weights read{};
  for (std::size_t f = 0; f < kFigureCount; ++f) {
    const std::string name(kFigures[f].name);
    const auto w = named->find(name);
    if (w == named->end() || !w->is_number() || !(w->get<double>() >= 0) ||
        w->get<double>() > 100) {
      *problem = who;
      *problem += "the weight of \"";
      *problem += name;
      *problem += "\" must be given, 0 to 100";
      return false;
    }
    read[f] = w->get<double>();
  }
  if (std::ranges::all_of(read, [](double w) { return w == 0; })) {
    *problem = who + "every weight is 0: nothing would be compared";
    return false;
  }
  *weights = read;
  return true;
}

}  // namespace tarnix
