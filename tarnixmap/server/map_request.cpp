#include "tarnixmap/server/map_request.h"

#include <sstream>
#include <string_view>

#include "tarnixmap/values/figure_options.h"
#include "tarnixmap/values/map_values.h"
#include "tarnixmap/values/option_value.h"
#include "tarnixmap/values/symmetry_options.h"

namespace tarnix {

namespace {

// The first name of an option: "--start-gold" of "--start-gold,--start_gold".
std::string_view first_name(const char* names) {
  const std::string_view all(names);
  return all.substr(0, all.find(','));
}

// A field's text: a string as it is, a whole number as its digits; `fallback`
// when the field is absent. Anything else is text no option takes.
std::string field_text(const nlohmann::json& object, const char* key, std::string_view fallback) {
  if (!object.is_object() || !object.contains(key)) return std::string(fallback);
  const nlohmann::json& value = object.at(key);
  if (value.is_string()) return value.get<std::string>();
  if (value.is_number_integer()) return std::to_string(value.get<std::int64_t>());
  if (value.is_number_unsigned()) return std::to_string(value.get<std::uint64_t>());
  return value.dump();
}

// A number field read as the command line reads its option.
std::optional<std::int64_t> number_field(const nlohmann::json& body, const char* key,
                                         const OptionRange& range, std::string_view fallback,
                                         std::vector<FieldProblem>* problems) {
  const std::string text = field_text(body, key, fallback);
  const std::optional<std::int64_t> value = parse_option_value(text, range);
  if (!value) problems->push_back({key, option_value_problem(text, range)});
  return value;
}

// The words of a field, as the shell would split them: "g=5 L=wall".
std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> list;
  std::istringstream in(text);
  for (std::string word; in >> word;)
    list.push_back(word);
  return list;
}

void read_values(const nlohmann::json& values, MapParams* params,
                 std::vector<FieldProblem>* problems) {
  std::array<std::string, kArgumentCount> texts;
  texts[0] = field_text(values, "name", "Cave");
  for (std::size_t i = 0; i < kNamedValues.size(); ++i) {
    const NamedValue& v = kNamedValues[i];
    const std::optional<std::int64_t> value = number_field(
        values, v.key, {first_name(v.names), v.low, v.high}, v.default_value, problems);
    texts[i + 1] = value ? std::to_string(*value) : v.default_value;
  }
  *params = params_of(texts);
  for (const std::string& problem : validate(*params)) {
    // Only the name can still be wrong: every number was in its range.
    problems->push_back({problem.starts_with("<name>") ? "name" : "", problem});
  }
  if (static_cast<std::int64_t>(params->width) * params->height > kMaxServedSquares) {
    problems->push_back({"width", "the page makes maps of at most " +
                                      std::to_string(kMaxServedSquares) +
                                      " squares (2048 x 2048); tarnixmap generate makes any size"});
  }
}

void read_measure(const nlohmann::json& body, MeasureOptions* measure,
                  std::vector<FieldProblem>* problems) {
  std::string problem;
  const std::vector<std::string> costs = words(field_text(body, "costs", ""));
  if (!apply_figure_options(costs, {}, *measure, &problem)) problems->push_back({"costs", problem});
  problem.clear();
  const std::vector<std::string> weights = words(field_text(body, "weights", ""));
  if (!apply_figure_options({}, weights, *measure, &problem))
    problems->push_back({"weights", problem});
  if (const auto reach = number_field(body, "reach", {"--reach", 0, kMaxReach},
                                      std::to_string(kDefaultReach), problems)) {
    measure->reach = *reach;
  }
}

}  // namespace

bool read_map_request(const nlohmann::json& body, MapRequest* request,
                      std::vector<FieldProblem>* problems) {
  const std::size_t before = problems->size();
  if (!body.is_object()) {
    problems->push_back({"", "the request must be a JSON object"});
    return false;
  }
  read_values(body.contains("values") ? body.at("values") : nlohmann::json::object(),
              &request->params, problems);
  if (const auto seed = number_field(body, "seed", {"--seed", 0, 4294967295}, "0", problems))
    request->seed = static_cast<std::uint32_t>(*seed);
  std::string problem;
  if (!read_symmetry(field_text(body, "symmetry", "none"), &request->symmetry, &problem)) {
    problems->push_back({"symmetry", problem});
  } else if (request->symmetry && problems->size() == before) {
    problem = symmetry_problem(*request->symmetry, request->params);
    if (!problem.empty()) problems->push_back({"symmetry", problem});
  }
  read_measure(body, &request->measure, problems);
  return problems->size() == before;
}

bool read_search_request(const nlohmann::json& body, SearchJobRequest* request,
                         std::vector<FieldProblem>* problems) {
  const std::size_t before = problems->size();
  if (!read_map_request(body, &request->map, problems)) return false;
  const auto seeds =
      number_field(body, "seeds", {"--seeds", 1, kMaxServedSeeds}, "20000", problems);
  const auto top = number_field(body, "top", {"--top", 1, kMaxServedTop}, "10", problems);
  if (seeds && *seeds - 1 > std::int64_t{4294967295} - request->map.seed) {
    problems->push_back({"seeds", "--seeds " + std::to_string(*seeds) + " from seed " +
                                      std::to_string(request->map.seed) +
                                      " would go past seed 4294967295"});
  }
  if (const std::string gap = field_text(body, "min_border_gap", ""); !gap.empty()) {
    if (const auto value =
            number_field(body, "min_border_gap", {"--min-border-gap", 0, 1000000}, "", problems))
      request->min_border_gap = static_cast<std::int32_t>(*value);
  }
  std::string problem;
  if (!apply_caps(words(field_text(body, "caps", "")), request->caps, &problem))
    problems->push_back({"caps", problem});
  if (problems->size() != before) return false;
  request->seeds = static_cast<std::uint64_t>(*seeds);
  request->top = static_cast<std::size_t>(*top);
  return true;
}

nlohmann::json field_problems_json(const std::vector<FieldProblem>& problems) {
  nlohmann::json list = nlohmann::json::array();
  for (const FieldProblem& p : problems)
    list.push_back({{"field", p.field}, {"message", p.message}});
  return {{"problems", list}};
}

}  // namespace tarnix
