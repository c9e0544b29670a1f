#include "tarnixmap/server/map_store.h"

#include <algorithm>
#include <charconv>

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
  entry.number = next_number_++;
  // Built by appending: GCC 12's -Wrestrict misreads a literal assigned or
  // added to a string here.
  std::string id(1, 'm');
  id.append(std::to_string(entry.number));
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
  std::uint64_t number = 0;
  const char* const end = id.data() + id.size();
  if (id.size() < 2 || id[0] != 'm' || id[1] == '0' ||
      std::from_chars(id.data() + 1, end, number).ptr != end)
    return nullptr;
  const std::lock_guard lock(mutex_);
  const auto it = std::find_if(entries_.begin(), entries_.end(),
                               [&](const Entry& e) { return e.number == number; });
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
