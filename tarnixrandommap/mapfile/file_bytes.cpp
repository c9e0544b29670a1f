#include "tarnixrandommap/mapfile/file_bytes.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace tarnix {

namespace {

std::size_t page_size() {
  return static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

std::size_t round_up(std::size_t n, std::size_t multiple) {
  return (n + multiple - 1) / multiple * multiple;
}

// The advice changes speed only, so its failure is ignored. The whole
// block gets it, every time: a block split into parts with and without it
// could no longer be moved by mremap as one.
void advise_huge(char* start, std::size_t size) {
#ifdef MADV_HUGEPAGE
  ::madvise(start, size, MADV_HUGEPAGE);
#endif
}

}  // namespace

FileBytes::FileBytes(FileBytes&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

FileBytes& FileBytes::operator=(FileBytes&& other) noexcept {
  if (this != &other) {
    release();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

FileBytes::~FileBytes() {
  release();
}

void FileBytes::release() {
  if (data_ != nullptr) ::munmap(data_, capacity_);
  data_ = nullptr;
  size_ = 0;
  capacity_ = 0;
}

FileBytes::Block FileBytes::hand_over() {
  const Block block{data_, capacity_};
  data_ = nullptr;
  size_ = 0;
  capacity_ = 0;
  return block;
}

bool FileBytes::reserve_more(std::size_t more) {
  if (more <= capacity_ - size_) return true;
  if (more > SIZE_MAX / 2 - size_) return false;
  // At least doubling, so that a stream read piece by piece grows its block
  // only a few dozen times; mremap moves the pages, never the bytes.
  const std::size_t wanted = round_up(std::max(size_ + more, capacity_ * 2), page_size());
  void* block = data_ == nullptr ? ::mmap(nullptr, wanted, PROT_READ | PROT_WRITE,
                                          MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)
                                 : ::mremap(data_, capacity_, wanted, MREMAP_MAYMOVE);
  if (block == MAP_FAILED) return false;
  data_ = static_cast<char*>(block);
  advise_huge(data_, wanted);
  capacity_ = wanted;
  return true;
}

bool FileBytes::assign(std::string_view bytes) {
  release();
  if (!reserve_more(bytes.size())) return false;
  if (!bytes.empty()) std::memcpy(data_, bytes.data(), bytes.size());
  size_ = bytes.size();
  return true;
}

}  // namespace tarnix
