#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>

#include "tarnixmap/server/preview.h"

namespace tarnix {

// The maps the page has made, under ids the server gives out, so that no
// path ever comes from a client. Bounded: when either limit is passed, the
// maps used longest ago are forgotten. Safe to use from many threads.
class MapStore {
 public:
  MapStore(std::size_t max_maps, std::uint64_t max_bytes)
      : max_maps_(max_maps), max_bytes_(max_bytes) {}
  MapStore(const MapStore&) = delete;  // it hands out ids of its own maps
  MapStore& operator=(const MapStore&) = delete;

  // Keeps `preview` and returns its new id, "m1", "m2", ...
  std::string add(Preview preview);
  // The map of `id`, now the most recently used; null when there is none
  // (never given out, or forgotten).
  [[nodiscard]] std::shared_ptr<const Preview> find(const std::string& id);
  [[nodiscard]] std::size_t size() const;
  [[nodiscard]] std::uint64_t bytes() const;

 private:
  struct Entry {
    std::uint64_t number = 0;  // its id is "m" and the number
    std::shared_ptr<const Preview> preview;
    std::uint64_t bytes = 0;
  };
  mutable std::mutex mutex_;
  std::list<Entry> entries_;  // the most recently used first
  std::size_t max_maps_;
  std::uint64_t max_bytes_;
  std::uint64_t bytes_ = 0;
  std::uint64_t next_number_ = 1;
};

}  // namespace tarnix
