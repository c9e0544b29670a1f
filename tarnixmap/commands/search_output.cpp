#include "tarnixmap/commands/search_output.h"

#include <array>
#include <cstdio>
#include <new>

#include "tarnixmap/commands/commands.h"
#include "tarnixmap/commands/report.h"
#include "tarnixmap/fairness/figure_text.h"
#include "tarnixmap/output/json_output.h"
#include "tarnixmap/output/params_json.h"
#include "tarnixrandommap/run/generate.h"
#include "tarnixrandommap/run/printable.h"
#include "tarnixrandommap/run/symmetric_phases.h"

namespace tarnix {

double preferred_value(const RankedSeed& ranked, Figure figure) {
  return info(figure).more_is_better ? ranked.preference : -ranked.preference;
}

std::string progress_best_text(const SearchProgress& progress, std::optional<Figure> preferred) {
  if (preferred) {
    const double preference = progress.best_preference.load();
    if (preference < -1e300) return "none";
    const double value = info(*preferred).more_is_better ? preference : -preference;
    return std::string(info(*preferred).name) + " " + fixed(value, 2);
  }
  const double best = progress.best_score.load();
  return best < 1e300 ? fixed(best, 4) : std::string("none");
}

namespace {

// The race column of a ranking where any seed was raced: "race    " in the
// heading, each raced seed's race fairness and "-" for one not raced.
std::string race_cell(const SearchResult& result, const RankedSeed* r) {
  const bool raced = !result.best.empty() && result.best.front().race_fairness.has_value();
  if (!raced) return {};
  if (r == nullptr) return "race    ";
  return r->race_fairness ? fixed(*r->race_fairness, 4) + "  " : std::string("-       ");
}

}  // namespace

void print_ranking_table(const SearchResult& result,
                         const std::optional<SymmetricSearch>& symmetric, Console& out) {
  if (symmetric) {
    // Every player starts alike: the preferred figure is what tells the
    // maps apart.
    const std::string figure(info(symmetric->prefer).name);
    out.line("rank  seed        " + race_cell(result, nullptr) + "score   " + figure +
             " (every player)");
    for (std::size_t i = 0; i < result.best.size(); ++i) {
      const RankedSeed& r = result.best[i];
      std::array<char, 96> row{};
      std::snprintf(row.data(), row.size(), "%4zu  %-10u  %s%.4f  %s", i + 1, r.seed,
                    race_cell(result, &r).c_str(), r.score(),
                    fixed(preferred_value(r, symmetric->prefer), 2).c_str());
      out.line(row.data());
    }
    return;
  }
  out.line("rank  seed        " + race_cell(result, nullptr) + "score   least even");
  for (std::size_t i = 0; i < result.best.size(); ++i) {
    const RankedSeed& r = result.best[i];
    std::array<char, 64> head{};
    std::snprintf(head.data(), head.size(), "%4zu  %-10u  %s%.4f  ", i + 1, r.seed,
                  race_cell(result, &r).c_str(), r.score());
    out.line(std::string(head.data()) + figure_name(r.fairness.least_even) + ": " +
             least_even_text(r.start_figures(), r.fairness));
  }
}

std::string ranges_text(const std::vector<SearchRange>& ranges) {
  std::string text;
  for (const SearchRange& r : ranges) {
    if (r.seeds == 0) continue;
    if (!text.empty()) text += ", ";
    text += std::to_string(r.from) + " to " + std::to_string(r.from + (r.seeds - 1));
  }
  return text.empty() ? "none" : text;
}

std::string totals_text(const SearchSummary& s) {
  std::uint64_t searched = 0;
  for (const SearchRange& r : s.searched)
    searched += r.seeds;
  std::string text = s.searches > 1 ? "merged " + counted(s.searches, "search") + ": " : "";
  text += "searched " + counted(searched, "seed") + ", " + ranges_text(s.searched) + ": " +
          std::to_string(s.without_map) + " without a map, " + std::to_string(s.sealed) +
          " sealed, " + std::to_string(s.rejected) + " rejected";
  if (s.searches == 1) {
    text += ", " + fixed(s.seconds, 2) + " s, " +
            std::to_string(static_cast<std::uint64_t>(
                s.seconds > 0 ? static_cast<double>(searched) / s.seconds : 0)) +
            " seeds/s";
  }
  return text;
}

void print_ranking_json(const SearchResult& result, const SearchSummary& summary, Console& out) {
  const std::optional<Symmetry> symmetry = symmetry_of(summary.symmetric);
  for (const RankedSeed& r : result.best) {
    nlohmann::json line = {{"seed", r.seed},
                           {"starts", starts_json(r.start_figures(), r.dig_time)},
                           {"params", params_json(summary.params, r.seed, symmetry)},
                           {"command", generate_command_line(summary.params, r.seed, symmetry)}};
    put_fairness(line, r.fairness, summary.measure.weights);
    if (r.race_fairness) line["race_fairness"] = *r.race_fairness;
    if (summary.symmetric) {
      line["symmetry"] = symmetry_mode(summary.symmetric->symmetry).name;
      line["preferred"] = {{"figure", info(summary.symmetric->prefer).name},
                           {"value", preferred_value(r, summary.symmetric->prefer)}};
    }
    out.text(json_line(line));
  }
  out.text(json_line(summary_json(summary)));
  out.flush();
}

std::string search_command_line(const SearchSummary& s, const std::string& dir) {
  if (s.searched.size() != 1) return {};
  const SearchRange range = s.searched.front();
  std::string line = "tarnixmap search --from " + std::to_string(range.from) + " --seeds " +
                     std::to_string(range.seeds) + " --top " + std::to_string(s.top);
  const CostTable costs;
  for (const TileCode& code : kTileCodes) {
    const std::uint16_t cost = s.measure.costs[code.code];
    if (cost == costs[code.code]) continue;
    line += " --cost " + shell_word(std::string(1, code.code) + "=" +
                                    (cost == CostTable::kWall ? "wall" : std::to_string(cost)));
  }
  const Weights defaults = default_weights();
  for (std::size_t f = 0; f < kFigureCount; ++f) {
    if (s.measure.weights[f] != defaults[f]) {
      line +=
          " --weight " + std::string(kFigures[f].name) + "=" + weight_text(s.measure.weights[f]);
    }
  }
  if (s.measure.reach != kDefaultReach) line += " --reach " + std::to_string(s.measure.reach);
  if (s.measure.radius != kDefaultRadius) line += " --radius " + std::to_string(s.measure.radius);
  for (std::size_t f = 0; f < kFigureCount; ++f) {
    if (s.caps[f])
      line += " --max-spread " + std::string(kFigures[f].name) + "=" + weight_text(*s.caps[f]);
  }
  if (s.min_border_gap) line += " --min-border-gap " + std::to_string(*s.min_border_gap);
  if (s.symmetric) {
    line += " --symmetry " + std::string(symmetry_mode(s.symmetric->symmetry).name) + " --prefer " +
            std::string(info(s.symmetric->prefer).name);
  }
  if (s.race_top) {
    line += " --race-top " + std::to_string(*s.race_top);
    const RaceOptions defaults;
    if (s.race.diggers != defaults.diggers) line += " --diggers " + std::to_string(s.race.diggers);
    if (s.race.time != defaults.time) line += " --time " + std::to_string(s.race.time);
    if (s.race.gem_period != defaults.gem_period)
      line += " --gem-period " + std::to_string(s.race.gem_period);
    if (s.race.portal_period != defaults.portal_period)
      line += " --portal-period " + std::to_string(s.race.portal_period);
  }
  return line + " --no-write --report " + shell_word(dir) + " " + values_words(s.params);
}

PageOrigin search_origin(const SearchSummary& s, const std::string& dir) {
  PageOrigin origin;
  origin.weights = s.measure.weights;
  std::uint64_t seeds = 0;
  for (const SearchRange& r : s.searched)
    seeds += r.seeds;
  origin.settings.emplace_back("values", values_words(s.params));
  origin.settings.emplace_back(
      "seeds", counted(seeds, "seed") + ", " + ranges_text(s.searched) +
                   (s.searches > 1 ? ", in " + counted(s.searches, "search") : std::string()));
  for (auto& setting : measure_settings(s.measure))
    origin.settings.push_back(std::move(setting));
  std::string caps;
  for (std::size_t f = 0; f < kFigureCount; ++f) {
    if (s.caps[f]) {
      caps += (caps.empty() ? "" : ", ") + std::string(kFigures[f].name) + " at most " +
              weight_text(*s.caps[f]);
    }
  }
  origin.settings.emplace_back("spread caps", caps.empty() ? "none" : caps);
  origin.settings.emplace_back("least border gap", s.min_border_gap
                                                       ? std::to_string(*s.min_border_gap)
                                                       : std::string("none"));
  origin.settings.emplace_back(
      "symmetry", s.symmetric ? std::string(symmetry_mode(s.symmetric->symmetry).name) +
                                    ", ranked by " + std::string(info(s.symmetric->prefer).name)
                              : std::string("none: the generator's own maps"));
  origin.settings.emplace_back("top", std::to_string(s.top) + " seeds ranked");
  if (s.race_top) {
    origin.settings.emplace_back(
        "race", "the best " + std::to_string(*s.race_top) + " raced and ranked by race fairness (" +
                    std::to_string(s.race.diggers) + " diggers a player, to time " +
                    std::to_string(s.race.time) + ", a gem's unit every " +
                    std::to_string(s.race.gem_period) + ", a portal's every " +
                    std::to_string(s.race.portal_period) + ")");
  }
  origin.command = search_command_line(s, dir);
  return origin;
}

bool write_ranking_report(const std::string& dir, const std::string& heading,
                          const SearchResult& result, const SearchSummary& summary,
                          const std::vector<std::string>& inputs, Console& out, Console& err,
                          FileSystem& files) {
  const MapParams& params = summary.params;
  const MakeEntry make = [&](std::size_t i) -> std::optional<ReportEntry> {
    const std::uint32_t seed = result.best[i].seed;
    const std::string source = "rank " + std::to_string(i + 1);
    try {
      std::optional<TileGrid> grid = TileGrid::create(params.width, params.height);
      if (!grid) throw std::bad_alloc();
      init_grid(*grid);
      const PhaseReports reports = place_map(params, *grid, seed, symmetry_of(summary.symmetric));
      ReportEntry entry =
          report_entry(params.name, source, seed, *grid, *reports.hearts, summary.measure);
      entry.map.params = params;
      if (result.best[i].race_fairness && summary.race_top) {
        // Raced again for its pictures: the same map and race, so the same
        // records the ranking had.
        RaceOptions options = summary.race;
        options.costs = summary.measure.costs;
        Race race;
        const std::vector<RacePlayer> players = race.run(*grid, reports.hearts->placed(), options);
        entry.map.race = race_curves(players, options.time);
        entry.floor = race.floor_owners();
      }
      if (summary.symmetric) entry.map.made_symmetric = summary.symmetric->symmetry;
      entry.made = std::move(grid);
      return entry;
    } catch (const std::bad_alloc&) {
      err.line("tarnixmap: not enough memory to put the map of " + source + " (seed " +
               std::to_string(seed) + ") on the page: " + no_memory_message(params));
      return std::nullopt;
    }
  };
  ReportPlan plan;
  plan.dir = dir;
  plan.heading = [&heading](std::size_t /*maps*/) { return heading; };
  plan.count = result.best.size();
  plan.histogram = summary.histogram;
  plan.inputs = inputs;
  plan.origin = search_origin(summary, dir);
  return write_report(plan, make, out, err, files);
}

}  // namespace tarnix
