#include "tarnixmap/values/map_messages.h"

#include "tarnixrandommap/placement/capacity.h"

namespace tarnix {

std::string map_failure(const MapParams& params, const GeneratedMap& map, const std::string& path,
                        std::optional<Symmetry> symmetry) {
  switch (map.outcome) {
    case MapOutcome::kNoMemory:
      return no_memory_message(params);
    case MapOutcome::kHeartsDoNotFit:
      if (symmetry) {
        return "no heart fits in the part of the map that --symmetry " +
               std::string(symmetry_mode(*symmetry).name) +
               " copies, its block clear of the axes and min_vosk_dist " +
               std::to_string(params.min_vosk_dist) +
               " (+5) from its own copies; try a larger map or a smaller min_vosk_dist";
      }
      return "failed to find proper minimal distance between hearts";
    case MapOutcome::kWriteFailed:
      return write_failed_message(path, map.error);
    case MapOutcome::kWritten:
      break;
  }
  return {};
}

void warn_of_amounts_beyond_reach(const std::string& who, const MapParams& params, Console& err) {
  for (const AmountBeyondReach& a : amounts_beyond_reach(params)) {
    err.line(who + ": warning: " + a.option + " asks for " + std::to_string(a.asked) +
             " squares, far more than can be placed (about " + std::to_string(a.most) +
             " at most: " + a.why + ")");
  }
}

}  // namespace tarnix
