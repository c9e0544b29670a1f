#include <new>
#include <string>

#include "tarnixmap/commands/commands.h"
#include "tarnixmap/output/json_output.h"
#include "tarnixmap/output/map_summary.h"
#include "tarnixmap/output/params_json.h"
#include "tarnixrandommap/mapfile/map_reader.h"
#include "tarnixrandommap/run/printable.h"

namespace tarnix {

namespace {

// Reads one file; problems are reported as compilers report them,
// FILE:LINE: what is wrong. Returns the file's bytes, or nothing after
// reporting why they could not be had.
std::optional<FileBytes> read_map_bytes(const std::string& path, Console& err, FileSystem& files) {
  FileBytes bytes;
  std::uint64_t size = 0;
  std::string why;
  switch (files.read_file(path, kMaxMapFileBytes, &bytes, &size, &why)) {
    case ReadStatus::kRead:
      return bytes;
    case ReadStatus::kTooLarge:
      err.line(printable(path) + ": too large (" + std::to_string(size) +
               " bytes or more); a map file has at most " + std::to_string(kMaxMapFileBytes));
      return std::nullopt;
    case ReadStatus::kFailed:
      err.line("tarnixmap: cannot read " + printable(path) + ": " + why);
      return std::nullopt;
  }
  return std::nullopt;
}

void report_problems(const std::string& path, const std::vector<MapProblem>& problems,
                     Console& err) {
  for (const MapProblem& problem : problems)
    err.line(printable(path) + ":" + std::to_string(problem.line) + ": " + problem.message);
}

nlohmann::json problems_json(const std::vector<MapProblem>& problems) {
  nlohmann::json list = nlohmann::json::array();
  for (const MapProblem& p : problems)
    list.push_back({{"line", p.line}, {"message", p.message}});
  return list;
}

nlohmann::json sound_json(const std::string& path, const MapFileContents& map,
                          const MapSummary& summary) {
  nlohmann::json tiles = nlohmann::json::object();
  for (std::size_t i = 0; i < kTileCodes.size(); ++i)
    tiles[std::string(1, kTileCodes[i].code)] = summary.tile_counts[i];
  nlohmann::json object = {{"sound", true},
                           {"problems", nlohmann::json::array()},
                           {"width", map.width},
                           {"height", map.height},
                           {"players", map.players},
                           {"tiles", tiles},
                           {"starts", starts_json(summary.measure.players)}};
  put_fairness(object, summary.measure.fairness, summary.options.weights);
  put_text(object, "file", path);
  put_text(object, "name", map.name);
  object["symmetry"] = summary.measure.symmetry
                           ? nlohmann::json(symmetry_mode(*summary.measure.symmetry).name)
                           : nlohmann::json(nullptr);
  // A map file tells its name, size and players, not the amounts or the
  // seed it was made with: no command makes it again.
  object["params"] = file_params_json(map.name, map.width, map.height, map.players);
  object["command"] = nullptr;
  return object;
}

// One file of a check: true when it is sound. With JSON, what would go to
// `err` is in the file's object instead.
bool check_one(const CheckRequest& request, const std::string& path, Console& out, Console& err,
               FileSystem& files) {
  StringSink reasons;
  Console json_err(reasons, LineEnds::kLf);
  Console& problems_to = request.json ? json_err : err;
  std::optional<FileBytes> bytes = read_map_bytes(path, problems_to, files);
  const bool read_at_all = bytes.has_value();
  const MapFileRead read = bytes ? read_map_file(std::move(*bytes)) : MapFileRead{};
  if (!read_at_all || !read.problems.empty()) {
    if (!request.json) {
      report_problems(path, read.problems, err);
      return false;
    }
    std::vector<MapProblem> problems = read.problems;
    json_err.flush();
    if (!read_at_all) problems.push_back({0, reasons.all().substr(0, reasons.all().size() - 1)});
    nlohmann::json object = {{"sound", false}, {"problems", problems_json(problems)}};
    put_text(object, "file", path);
    out.text(json_line(object));
    out.flush();
    return false;
  }
  const MapSummary summary = summarize(read.contents, request.measure);
  out.text(request.json ? json_line(sound_json(path, read.contents, summary))
                        : format_summary(printable(path), read.contents, summary));
  out.flush();
  return true;
}

}  // namespace

std::optional<MapFileContents> read_sound_map(const std::string& path, Console& err,
                                              FileSystem& files) {
  std::optional<FileBytes> bytes = read_map_bytes(path, err, files);
  if (!bytes) return std::nullopt;
  MapFileRead read = read_map_file(std::move(*bytes));
  if (!read.problems.empty()) {
    report_problems(path, {read.problems.front()}, err);
    err.line("tarnixmap: " + printable(path) + " is not a sound map; 'tarnixmap check " +
             printable(path) + "' lists every problem");
    return std::nullopt;
  }
  return std::move(read.contents);
}

int check_command(const CheckRequest& request, Console& out, Console& err, FileSystem& files) {
  int status = kExitOk;
  for (const std::string& path : request.paths) {
    // One file too big for memory must not keep the others from being
    // checked.
    try {
      if (!check_one(request, path, out, err, files)) status = kExitFailed;
    } catch (const std::bad_alloc&) {
      err.line(printable(path) + ": not enough memory to check it");
      status = kExitFailed;
    }
  }
  return status;
}

}  // namespace tarnix
