#include "tarnixmap/server/map_store.h"

#include <algorithm>

namespace tarnix {

namespace {

std::uint64_t size_of(const Preview& p) {
  return p.map_bytes.size() + p.map_png.size() + p.territory_png.size() + p.messages.size() + 4096;
}

}  // namespace

std::string MapStore::add(Preview preview) {
  Entry entry;
  entry.bytes = size_of(preview);
  entry.preview = std::make_shared<const Preview>(std::move(preview));
  const std::lock_guard lock(mutex_);
  entry.id = "m" + std::to_string(next_id_++);
  std::string id = entry.id;
  bytes_ += entry.bytes;
  entries_.push_front(std::move(entry));
  // The newest map is always kept, whatever its size.
  while (entries_.size() > 1 && (entries_.size() > max_maps_ || bytes_ > max_bytes_)) {
    bytes_ -= entries_.back().bytes;
    entries_.pop_back();
  }
  return id;
}

std::shared_ptr<const Preview> MapStore::find(const std::string& id) {
  const std::lock_guard lock(mutex_);
  const auto it =
      std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.id == id; });
  if (it == entries_.end()) return nullptr;
  entries_.splice(entries_.begin(), entries_, it);
  return entries_.front().preview;
}

std::size_t MapStore::size() const {
  const std::lock_guard lock(mutex_);
  return entries_.size();
}

std::uint64_t MapStore::bytes() const {
  const std::lock_guard lock(mutex_);
  return bytes_;
}

}  // namespace tarnix
