#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tarnixmap/drawing/render.h"
#include "tarnixmap/fairness/measure.h"
#include "tarnixmap/race/race.h"
#include "tarnixmap/values/map_messages.h"
#include "tarnixrandommap/mapfile/file_system.h"
#include "tarnixrandommap/mapfile/map_reader.h"
#include "tarnixrandommap/run/console.h"
#include "tarnixrandommap/run/generate.h"
#include "tarnixrandommap/run/map_params.h"

namespace tarnix {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // a map not generated or written, or a map with problems
inline constexpr int kExitUsage = 2;

// The highest seed; a range of seeds never passes it. Signed and wide, so
// that one past it and the seeds left after any seed are plain numbers.
inline constexpr std::int64_t kLastSeed = 4294967295;

struct GenerateRequest {
  std::optional<std::uint32_t> seed;  // the --params seed or the clock's second when absent
  std::optional<std::int64_t> count;  // numbered maps NAME_1 … NAME_count when present
  bool preview = false;               // also draw each map as NAME.png
  std::array<std::string, kArgumentCount> values;  // the generator's twelve arguments
  std::array<bool, kArgumentCount> given{};        // which of them the command line gave
  std::string params_file;           // a JSON object of values for those not given; none when empty
  std::optional<Symmetry> symmetry;  // a symmetric map instead of the generator's
  bool symmetry_given = false;       // the command line chose (--symmetry none: no symmetry)
};

// Draws a generated map, with its seed and score in the title, as the PNG
// file `path`. Returns false after reporting on `err` why it could not.
[[nodiscard]] bool write_preview(const MapParams& params, const GeneratedMap& map,
                                 std::uint32_t seed, const MeasureOptions& options,
                                 const std::string& path, Console& err, FileSystem& files);

// Writes the map (or maps) exactly as tarnixrandommap does when the clock
// reads the seed (or, with a symmetry, the symmetric map of that seed),
// printing the generator's messages and the seed of each file on `out`,
// and failures on `err`.
[[nodiscard]] int generate_command(const GenerateRequest& request, std::uint32_t clock_seed,
                                   Console& out, Console& err, FileSystem& files);

struct CheckRequest {
  std::vector<std::string> paths;  // map files
  MeasureOptions measure{};        // costs, reach, radius and weights
  bool json = false;               // one JSON object per file on `out` instead of text
};

// Checks each map file strictly; prints a summary of each sound one, with
// its fairness score, on `out` and each problem, with its line, on `err`.
[[nodiscard]] int check_command(const CheckRequest& request, Console& out, Console& err,
                                FileSystem& files);

struct RaceRequest {
  std::vector<std::string> paths;  // map files
  MeasureOptions measure{};        // the cost table (the rest is the score's)
  RaceOptions race{};              // diggers, the race's length, what gems and portals pay
  bool json = false;               // one JSON object per file on `out` instead of text
};

// Races each sound map file's players and prints each player's gold on the
// way, floor, portals and first contacts, and the race fairness.
[[nodiscard]] int race_command(const RaceRequest& request, Console& out, Console& err,
                               FileSystem& files);

struct ReportRequest {
  std::vector<std::string> paths;  // map files
  std::string output;              // the directory the page and its pictures go to
  MeasureOptions measure{};        // costs, reach, radius and weights
  bool keep_order = false;         // show the maps as given, not the fairest first
  std::string weights_file{};      // --weights, read already: never to be written over
};

// Writes a page, OUTPUT/index.html, that shows the maps side by side with
// their pictures and figures, the fairest first (sealed maps last) unless
// the order given is to be kept; the pictures are files beside it.
[[nodiscard]] int report_command(const ReportRequest& request, Console& out, Console& err,
                                 FileSystem& files);

struct SearchRequest {
  std::array<std::string, kArgumentCount> values;  // the generator's twelve arguments
  std::array<bool, kArgumentCount> given{};        // which of them the command line gave
  std::string params_file;   // a JSON object of values for those not given; none when empty
  std::string weights_file;  // --weights, read already: never to be written over
  std::optional<std::uint32_t> from;  // the first seed; the --params seed or the clock's second
                                      // when absent
  std::uint64_t seeds = 100000;       // how many seeds
  MeasureOptions measure{};           // costs, reach, radius and weights
  std::optional<std::int32_t> min_border_gap;  // a seed with a heart nearer the frame is
                                               // rejected
  SpreadCaps caps{};                 // a seed where a figure's spread is above its cap is rejected
  std::optional<Symmetry> symmetry;  // symmetric maps instead of the generator's
  bool symmetry_given = false;       // the command line chose (none: no symmetry)
  std::optional<Figure> prefer;      // what ranks symmetric maps; gold_within when not given
  std::size_t top = 10;              // rows of the ranking printed
  std::optional<std::size_t> keep;   // write the best K as NAME_rankR_seedS.map; else NAME.map
  bool no_write = false;             // write no map at all
  bool json = false;                 // JSON lines instead of the table
  std::optional<unsigned> threads;   // workers asked for; else as many as the machine has cores
  unsigned cores = 1;                // the machine's cores
  std::optional<std::uint64_t> memory_available;  // bytes the workers may take, where known
  // Read while the search runs: once true, it stops. When absent, Ctrl-C is
  // caught for the search and sets it.
  const std::atomic<bool>* interrupted = nullptr;
  bool show_progress = false;  // a progress line on `err`, a terminal
  std::string report;          // a directory for a page of the best maps; none when empty
  bool histogram = false;      // count every seed's score (always with a report): slower
  bool preview = false;        // also draw each map written as NAME.png
  // Race the best K seeds' maps and rank those by race fairness.
  std::optional<std::size_t> race_top;
  RaceOptions race{};       // the race of --race-top (its costs are the measure's)
  bool race_given = false;  // the command line set a race option
};

// Ranks every seed of a range by the fairness of its map and writes the
// best map (or the best K) exactly as the generator writes it. Ctrl-C stops
// the search: what was found so far is printed and written, and the exit
// code is 130.
[[nodiscard]] int search_command(const SearchRequest& request, std::uint32_t clock_seed,
                                 Console& out, Console& err, FileSystem& files);

struct CalibrateRequest {
  std::array<std::string, kArgumentCount> values;  // the generator's twelve arguments
  std::array<bool, kArgumentCount> given{};        // which of them the command line gave
  std::string params_file;          // a JSON object of values for those not given; none when empty
  std::string weights_file;         // --weights, read already: never to be written over
  std::uint32_t from = 0;           // the first seed
  std::uint64_t seeds = 0;          // how many
  MeasureOptions measure{};         // costs, reach and radius; its weights are the ones to better
  RaceOptions race{};               // the race each map is run in (its costs are the measure's)
  std::string output;               // the file of fitted weights
  std::optional<unsigned> threads;  // workers; else as many as the machine has cores
  unsigned cores = 1;               // the machine's cores
  // Read while the maps are raced: once true, it stops. When absent, Ctrl-C
  // is caught for that time and sets it.
  const std::atomic<bool>* interrupted = nullptr;
};

// Races the map of every seed of a range, fits the score's weights so that
// the score orders the maps as their races do, writes them as a file for
// --weights, and prints how well the weights before and the fitted ones
// agree with the race on maps not used for the fit.
[[nodiscard]] int calibrate_command(const CalibrateRequest& request, Console& out, Console& err,
                                    FileSystem& files);

struct MergeRequest {
  std::vector<std::string> paths;  // search --json outputs, one or more each; "-" is standard
                                   // input
  std::optional<std::size_t> top;  // rows of the ranking; the searches' smallest --top when absent
  bool json = false;               // JSON lines, as search --json prints them, instead of the table
  std::string report;              // a directory for a page of the best maps; none when empty
  bool partial = false;            // merge searches stopped before the end of their range too
  unsigned cores = 1;              // the machine's cores: workers for racing the best seeds
};

// Merges the outputs of searches of parts of a range into what one search
// of all their seeds gives: the same ranking, counts and histogram. Refuses
// searches of different map values or options, searches that share a seed,
// and (unless partial) stopped searches, naming the files.
[[nodiscard]] int merge_command(const MergeRequest& request, Console& out, Console& err,
                                FileSystem& files);

// Reads a map file and reports, on `err`, why it is not a sound map: too
// large, unreadable, or its first problem. Nothing when it is not.
[[nodiscard]] std::optional<MapFileContents> read_sound_map(const std::string& path, Console& err,
                                                            FileSystem& files);

// Writes `bytes` as the whole file `path`, the safe way every file is
// written. Returns false after saying on `err` that `path` could not be
// written, and why; a `what` that is not empty names the kind of file
// ("could not write preview Cave.png: ...").
[[nodiscard]] bool write_output(std::string_view what, const std::string& path,
                                std::string_view bytes, Console& err, FileSystem& files);

// An output named "-" is standard output.
inline constexpr std::string_view kStandardOutput = "-";

struct RenderRequest {
  std::vector<std::string> inputs{};    // map files
  std::string output{};                 // the PNG, "-" for standard output; empty for each
                                        // input's name with .png. Only with one input.
  std::optional<std::int32_t> scale{};  // pixels per tile; by default about 1024 pixels across
  bool legend = true;                   // the title line and the legend beside the map
  bool markers = true;                  // a marker on each heart and portal
  bool territory = false;               // tint each square by who reaches it first
  bool race = false;                    // tint each player's floor after a race, plot its gold
  RaceOptions race_options{};           // the race of --race (its costs are the measure's)
  MeasureOptions measure{};             // costs, reach, radius and weights, for the score
  std::string weights_file{};           // --weights, read already: never to be written over
};

// A race's records as its plot draws them.
[[nodiscard]] RaceCurves race_curves(std::span<const RacePlayer> players, std::int32_t time);

// Draws each sound map file as a PNG picture; goes on to the next file
// when one fails.
[[nodiscard]] int render_command(const RenderRequest& request, Console& out, Console& err,
                                 FileSystem& files);

// The port serve listens on unless told another.
inline constexpr int kDefaultServePort = 8642;

struct ServeRequest {
  std::string host = "127.0.0.1";  // the address to listen on; another warns on the console
  int port = kDefaultServePort;    // 0 for any free port
  bool open = false;               // open the page in the desktop's browser
  unsigned cores = 1;              // the machine's cores: a search's workers
  // Read while the server runs: once true, it stops. When absent, Ctrl-C
  // is caught and sets it.
  const std::atomic<bool>* interrupted = nullptr;
};

// Serves the designer's page on the machine's own address until Ctrl-C,
// printing the page's address (with its token) on `out`. Exit 0 when
// stopped, 1 when it cannot listen.
[[nodiscard]] int serve_command(const ServeRequest& request, Console& out, Console& err);

}  // namespace tarnix
