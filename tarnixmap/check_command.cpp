#include <new>
#include <string>

#include "tarnixmap/commands.h"
#include "tarnixmap/map_summary.h"
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

// One file of a check: true when it is sound.
bool check_one(const std::string& path, Console& out, Console& err, FileSystem& files) {
  const std::optional<FileBytes> bytes = read_map_bytes(path, err, files);
  if (!bytes) return false;
  const MapFileRead read = read_map_file(bytes->view());
  if (!read.problems.empty()) {
    report_problems(path, read.problems, err);
    return false;
  }
  out.text(format_summary(printable(path), read.contents, summarize(read.contents)));
  out.flush();
  return true;
}

}  // namespace

std::optional<MapFileContents> read_sound_map(const std::string& path, Console& err,
                                              FileSystem& files) {
  const std::optional<FileBytes> bytes = read_map_bytes(path, err, files);
  if (!bytes) return std::nullopt;
  MapFileRead read = read_map_file(bytes->view());
  if (!read.problems.empty()) {
    report_problems(path, {read.problems.front()}, err);
    err.line("tarnixmap: " + printable(path) + " is not a sound map; 'tarnixmap check " +
             printable(path) + "' lists every problem");
    return std::nullopt;
  }
  return std::move(read.contents);
}

int check_command(std::span<const std::string> paths, Console& out, Console& err,
                  FileSystem& files) {
  int status = kExitOk;
  for (const std::string& path : paths) {
    // One file too big for memory must not keep the others from being
    // checked.
    try {
      if (!check_one(path, out, err, files)) status = kExitFailed;
    } catch (const std::bad_alloc&) {
      err.line(printable(path) + ": not enough memory to check it");
      status = kExitFailed;
    }
  }
  return status;
}

}  // namespace tarnix
