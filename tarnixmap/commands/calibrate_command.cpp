#include <algorithm>
#include <csignal>
#include <new>
#include <string>

#include "tarnixmap/commands/commands.h"
#include "tarnixmap/commands/interrupt.h"
#include "tarnixmap/fairness/figure_text.h"
#include "tarnixmap/output/json_output.h"
#include "tarnixmap/output/params_json.h"
#include "tarnixmap/output/weights_file.h"
#include "tarnixmap/race/calibrate.h"
#include "tarnixmap/values/map_values.h"
#include "tarnixrandommap/run/generate.h"
#include "tarnixrandommap/run/printable.h"

namespace tarnix {

namespace {

// Too few maps say nothing about an order: at least this many on each side
// of the split.
constexpr std::size_t kFewestSamples = 10;

nlohmann::json named_weights(const Weights& weights) {
  nlohmann::json named = nlohmann::json::object();
  for (std::size_t f = 0; f < kFigureCount; ++f)
    named[std::string(kFigures[f].name)] = weights[f];
  return named;
}

// Each figure's weight before and after, where either is not 0.
std::string weights_table(const Weights& before, const Weights& after) {
  std::string text;
  for (std::size_t f = 0; f < kFigureCount; ++f) {
    if (before[f] == 0 && after[f] == 0) continue;
    std::string name(kFigures[f].name);
    name.resize(std::max<std::size_t>(name.size(), 18), ' ');
    text += "  " + name + weight_text(before[f]) + " -> " + weight_text(after[f]) + "\n";
  }
  return text;
}

}  // namespace

int calibrate_command(const CalibrateRequest& request, Console& out, Console& err,
                      FileSystem& files) {
  std::array<std::string, kArgumentCount> values = request.values;
  std::optional<std::uint32_t> unused_seed;
  std::optional<Symmetry> unused_symmetry;
  if (std::string problem;
      !request.params_file.empty() &&
      !apply_params_file(request.params_file, request.given, values,
                         {&unused_seed, &unused_symmetry, true}, files, &problem)) {
    err.line("tarnixmap calibrate: " + problem);
    return kExitUsage;
  }
  const MapParams params = params_of(values);
  const std::vector<std::string> problems = validate(params);
  for (const std::string& problem : problems)
    err.line("tarnixmap calibrate: " + problem);
  if (!problems.empty()) return kExitUsage;
  if (request.seeds - 1 > static_cast<std::uint64_t>(kLastSeed - request.from)) {
    err.line("tarnixmap calibrate: --seeds " + std::to_string(request.seeds) + " from seed " +
             std::to_string(request.from) + " would go past seed " + std::to_string(kLastSeed));
    return kExitUsage;
  }
  std::vector<std::string> inputs;
  for (const std::string* input : {&request.params_file, &request.weights_file}) {
    if (!input->empty()) inputs.push_back(*input);
  }
  if (const std::optional<Clash> clash =
          find_clash(inputs, std::vector<std::string>{request.output}, files)) {
    err.line("tarnixmap calibrate: " + printable(request.output) + " is the input " +
             printable(inputs[clash->input]) + "; it would be overwritten");
    return kExitUsage;
  }
  RaceOptions race = request.race;
  race.costs = request.measure.costs;
  CalibrationSet set;
  try {
    std::optional<CatchInterrupt> ctrl_c;
    if (request.interrupted == nullptr) ctrl_c.emplace();
    const std::atomic<bool>& interrupted =
        request.interrupted != nullptr ? *request.interrupted : CatchInterrupt::flag();
    set = collect_samples(params, std::nullopt, {request.from, request.seeds}, request.measure,
                          race, request.threads.value_or(std::max(1U, request.cores)), interrupted);
  } catch (const std::bad_alloc&) {
    err.line("tarnixmap calibrate: " + no_memory_message(params));
    return kExitFailed;
  }
  if (set.stopped) {
    err.line("tarnixmap calibrate: stopped by Ctrl-C; nothing was written");
    return 128 + SIGINT;
  }
  // Every other map fits the weights; the rest check them.
  std::vector<CalibrationSample> fit;
  std::vector<CalibrationSample> checked;
  for (std::size_t i = 0; i < set.samples.size(); ++i)
    (i % 2 == 0 ? fit : checked).push_back(set.samples[i]);
  const std::string range = "seeds " + std::to_string(request.from) + " to " +
                            std::to_string(request.from + (request.seeds - 1));
  const std::string counts = std::to_string(set.samples.size()) + " maps with a score (" +
                             std::to_string(set.without_map) + " without a map, " +
                             std::to_string(set.sealed) + " sealed)";
  if (checked.size() < kFewestSamples) {
    err.line("tarnixmap calibrate: " + range + " give " + counts + "; at least " +
             std::to_string(2 * kFewestSamples) + " are needed to fit on half and check on the " +
             "other; nothing was written");
    return kExitFailed;
  }
  const Weights before = request.measure.weights;
  const Weights fitted = fit_weights(fit, before);
  const double agreement_before = agreement(checked, before);
  const double agreement_fitted = agreement(checked, fitted);
  const nlohmann::json about = {{"params", params_json(params, std::nullopt)},
                                {"from", request.from},
                                {"seeds", request.seeds},
                                {"maps_fitted", fit.size()},
                                {"maps_checked", checked.size()},
                                {"weights_before", named_weights(before)},
                                {"agreement_before", agreement_before},
                                {"agreement_fitted", agreement_fitted},
                                {"race", race_options_json(race)}};
  const std::string text = weights_file_text(fitted, about);
  const std::array<std::string_view, 1> parts = {text};
  std::string why;
  if (!files.write_file(request.output, parts, &why)) {
    err.line("tarnixmap calibrate: could not write " + printable(request.output) + ": " +
             printable(why));
    return kExitFailed;
  }
  out.text("tarnixmap calibrate: " + printable(params.name) + ", " + range + ": " + counts +
           "; fitted on " + std::to_string(fit.size()) + ", checked on the other " +
           std::to_string(checked.size()) + "\n");
  out.text("agreement with the race (Spearman), on the maps not fitted:\n");
  out.text("  weights before  " + fixed(agreement_before, 4) + "\n");
  out.text("  fitted weights  " + fixed(agreement_fitted, 4) + "\n");
  out.text("weights (before -> fitted), written to " + printable(request.output) + ":\n" +
           weights_table(before, fitted));
  return kExitOk;
}

}  // namespace tarnix
