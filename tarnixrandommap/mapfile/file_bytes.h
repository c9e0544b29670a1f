#pragma once

#include <cstddef>
#include <string_view>

namespace tarnix {

// A file's bytes, in one block of memory that grows without copying and,
// once big, is backed by huge pages: reading a big file or an endless
// stream then costs a few hundred page faults instead of hundreds of
// thousands, and never needs a second copy of what was read.
class FileBytes {
 public:
  FileBytes() = default;
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;
  FileBytes(FileBytes&& other) noexcept;
  FileBytes& operator=(FileBytes&& other) noexcept;
  ~FileBytes();

  [[nodiscard]] std::string_view view() const { return {data_, size_}; }
  [[nodiscard]] std::size_t size() const { return size_; }

  // Makes room for `more` bytes after the ones held. False when memory runs
  // out; what is held stays.
  [[nodiscard]] bool reserve_more(std::size_t more);
  // Where the next bytes go: room for what reserve_more made.
  [[nodiscard]] char* free_space() { return data_ + size_; }
  [[nodiscard]] std::size_t free_size() const { return capacity_ - size_; }
  // Counts `n` bytes written at free_space() as held.
  // Requires: n <= free_size().
  void add(std::size_t n) { size_ += n; }

  // Holds a copy of `bytes` instead. False when memory runs out.
  [[nodiscard]] bool assign(std::string_view bytes);
  // Gives the memory back.
  void release();

  // Hands the memory over to the caller, who must munmap `mapped` bytes
  // from `data`; holds nothing afterwards.
  struct Block {
    char* data = nullptr;
    std::size_t mapped = 0;
  };
  [[nodiscard]] Block hand_over();

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace tarnix
