#pragma once

#include <atomic>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>

#include "tarnixmap/fairness/search.h"
#include "tarnixmap/server/map_request.h"

namespace tarnix {

// The one search a server runs at a time, and the way to stop it.
class SearchSlot {
 public:
  SearchSlot() = default;
  SearchSlot(const SearchSlot&) = delete;  // a search holds it by reference
  SearchSlot& operator=(const SearchSlot&) = delete;

  // Takes the slot for a new search; false when a search holds it, or the
  // server is closing.
  [[nodiscard]] bool try_take();
  // Gives the slot back once its search has ended.
  void release();
  // Asks the search that holds the slot to stop; false when none does.
  bool cancel();
  // Asks any search to stop and refuses new ones: the server is closing.
  void close();
  // Whether the search that holds the slot has been asked to stop.
  [[nodiscard]] bool cancelled() const { return cancel_.load(); }

 private:
  std::atomic<bool> busy_{false};
  std::atomic<bool> cancel_{false};
  std::atomic<bool> closed_{false};
};

// Sends one server-sent event's text to the page; false when the page has
// gone (the search then stops).
using EventSender = std::function<bool(const std::string& event)>;

// Searches the range of `request` on `threads` workers, sending a
// "progress" event a few times a second (seeds done of the total, seeds a
// second, the best score so far, the seconds left) and, at the end, one
// "done" event with the ranking (each map's seed, score, figures' parts and
// a thumbnail), the counts and the histogram. Stops within a moment of a
// cancel or of a send that fails; what was found so far is still sent
// (after a cancel, without thumbnails).
// Throws std::bad_alloc when a worker's memory cannot be had.
void run_search_job(const SearchJobRequest& request, unsigned threads, const SearchSlot& slot,
                    const EventSender& send);

// One server-sent event: "event: NAME", the data on one line, a blank line.
[[nodiscard]] std::string sse_event(const std::string& name, const nlohmann::json& data);

// `bytes` in base64, as a data: address carries them.
[[nodiscard]] std::string base64(std::string_view bytes);

}  // namespace tarnix
