#include <string>

#include "tarnixmap/commands.h"
#include "tarnixmap/map_summary.h"
#include "tarnixrandommap/mapfile/map_reader.h"

namespace tarnix {

int check_command(std::span<const std::string> paths, Console& out, Console& err,
                  FileSystem& files) {
  int status = kExitOk;
  for (const std::string& path : paths) {
    std::string bytes;
    std::string why;
    if (!files.read_file(path, &bytes, &why)) {
      std::string message = "tarnixmap: cannot read ";
      message += path;
      message += ": ";
      message += why;
      err.line(message);
      status = kExitFailed;
      continue;
    }
    const MapFileRead read = read_map_file(bytes);
    if (!read.problems.empty()) {
      // As compilers report: FILE:LINE: what is wrong.
      for (const MapProblem& problem : read.problems) {
        err.line(path + ":" + std::to_string(problem.line) + ": " + problem.message);
      }
      status = kExitFailed;
      continue;
    }
    out.text(format_summary(path, read.contents, summarize(read.contents)));
    out.flush();
  }
  return status;
}

}  // namespace tarnix
