#include "tarnixrandommap/mapfile/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <vector>

#include "tarnixrandommap/mapfile/descriptor.h"

namespace tarnix {

namespace {

constexpr std::size_t kReadPiece = std::size_t{1} << 20U;

}  // namespace

ReadStatus DiskFileSystem::read_file(std::string_view path, std::uint64_t max_bytes,
                                     FileBytes* bytes, std::uint64_t* size, std::string* err) {
  bytes->release();
  const Descriptor file(::open(std::string(path).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
  struct stat st {};
  if (file.get() < 0 || ::fstat(file.get(), &st) != 0) {
    *err = std::strerror(errno);
    return ReadStatus::kFailed;
  }
  if (S_ISDIR(st.st_mode)) {
    *err = std::strerror(EISDIR);
    return ReadStatus::kFailed;
  }
  // A regular file's size is known before reading: a file over the limit
  // is not read at all, and one within it gets its room at once. A device
  // or pipe can be endless: it is read only up to one byte past the limit.
  if (S_ISREG(st.st_mode)) {
    *size = static_cast<std::uint64_t>(st.st_size);
    if (*size > max_bytes) return ReadStatus::kTooLarge;
  }
  std::size_t wanted = S_ISREG(st.st_mode) ? static_cast<std::size_t>(st.st_size) : 0;
  for (;;) {
    if (!bytes->reserve_more(std::max<std::size_t>(wanted, 1))) {
      *err = std::strerror(ENOMEM);
      bytes->release();
      return ReadStatus::kFailed;
    }
    wanted = kReadPiece;
    const std::uint64_t room = max_bytes + 1 - bytes->size();
    const ssize_t n = ::read(file.get(), bytes->free_space(),
                             static_cast<std::size_t>(std::min<std::uint64_t>(
                                 room, std::min(bytes->free_size(), kReadPiece))));
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      *err = std::strerror(errno);
      bytes->release();
      return ReadStatus::kFailed;
    }
    bytes->add(static_cast<std::size_t>(n));
    if (bytes->size() > max_bytes) {
      *size = bytes->size();
      bytes->release();
      return ReadStatus::kTooLarge;
    }
  }
  *size = bytes->size();
  return ReadStatus::kRead;
}

bool DiskFileSystem::read_pieces(std::string_view path, const TakePiece& take, std::string* err) {
  const Descriptor file(::open(std::string(path).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
  struct stat st {};
  if (file.get() < 0 || ::fstat(file.get(), &st) != 0) {
    *err = std::strerror(errno);
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    *err = std::strerror(EISDIR);
    return false;
  }
  std::vector<char> piece(kReadPiece);
  for (;;) {
    const ssize_t n = ::read(file.get(), piece.data(), piece.size());
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      *err = std::strerror(errno);
      return false;
    }
    if (!take(std::string_view(piece.data(), static_cast<std::size_t>(n)))) return true;
  }
}

std::optional<FileId> DiskFileSystem::identity(std::string_view path) {
  struct stat st {};
  if (::stat(std::string(path).c_str(), &st) != 0) return std::nullopt;
  return FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

bool DiskFileSystem::make_directory(std::string_view path, std::string* err) {
  // Each folder on the way is made in turn, as mkdir -p does.
  const std::string whole(path);
  for (std::size_t end = whole.find('/', 1);; end = whole.find('/', end + 1)) {
    const std::string name = whole.substr(0, end);
    const bool last = end == std::string::npos || end + 1 >= whole.size();
    if (!name.empty() && name.back() != '/' && ::mkdir(name.c_str(), 0777) != 0) {
      const int reason = errno;
      struct stat st {};
      struct stat link {};
      const std::string which = last ? "" : " (" + name + ")";
      if (reason != EEXIST) {
        *err = std::strerror(reason) + which;
        return false;
      }
      if (::stat(name.c_str(), &st) != 0) {
        const bool dangling = ::lstat(name.c_str(), &link) == 0 && S_ISLNK(link.st_mode);
        *err = (dangling ? "it is a dangling link" : std::string(std::strerror(errno))) + which;
        return false;
      }
      if (!S_ISDIR(st.st_mode)) {
        *err = "it exists and is not a directory" + which;
        return false;
      }
    }
    if (end == std::string::npos) return true;
  }
}

bool MemoryFileSystem::make_directory(std::string_view path, std::string* err) {
  for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
    const std::string_view name = path.substr(0, end);
    if (files.contains(name)) {
      *err = "it exists and is not a directory";
      return false;
    }
    directories.emplace(name);
    if (end == std::string_view::npos) return true;
  }
}

bool MemoryFileSystem::write_file(std::string_view path, std::span<const std::string_view> parts,
                                  std::string* err) {
  if (fail_next) {
    *err = *fail_next;
    fail_next.reset();
    return false;
  }
  if (directories.contains(path)) {
    *err = "it is a directory";
    return false;
  }
  std::string contents;
  for (const std::string_view part : parts)
    contents += part;
  files.insert_or_assign(std::string(path), std::move(contents));
  return true;
}

ReadStatus MemoryFileSystem::read_file(std::string_view path, std::uint64_t max_bytes,
                                       FileBytes* bytes, std::uint64_t* size, std::string* err) {
  const auto file = files.find(path);
  if (file == files.end()) {
    *err = directories.contains(path) ? "Is a directory" : "No such file or directory";
    return ReadStatus::kFailed;
  }
  *size = file->second.size();
  if (*size > max_bytes) return ReadStatus::kTooLarge;
  if (!bytes->assign(file->second)) {
    *err = "Cannot allocate memory";
    return ReadStatus::kFailed;
  }
  return ReadStatus::kRead;
}

bool MemoryFileSystem::read_pieces(std::string_view path, const TakePiece& take, std::string* err) {
  const auto file = files.find(path);
  if (file == files.end()) {
    *err = directories.contains(path) ? "Is a directory" : "No such file or directory";
    return false;
  }
  const std::string_view all = file->second;
  for (std::size_t at = 0; at < all.size(); at += piece_size) {
    if (!take(all.substr(at, piece_size))) break;
  }
  return true;
}

std::optional<FileId> MemoryFileSystem::identity(std::string_view path) {
  ++lookups;
  if (!files.contains(path) && !directories.contains(path)) return std::nullopt;
  const auto at = inodes_.try_emplace(std::string(path), inodes_.size() + 1).first;
  return FileId{0, at->second};
}

InputGuard::InputGuard(std::span<const std::string> inputs, FileSystem& files) : files_(files) {
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    if (const std::optional<FileId> id = files.identity(inputs[i])) read_.try_emplace(*id, i);
  }
}

std::optional<std::size_t> InputGuard::input_at(std::string_view output) const {
  if (read_.empty()) return std::nullopt;
  const std::optional<FileId> id = files_.identity(output);
  if (!id) return std::nullopt;
  const auto input = read_.find(*id);
  return input == read_.end() ? std::nullopt : std::optional(input->second);
}

std::optional<Clash> find_clash(std::span<const std::string> inputs,
                                std::span<const std::string> outputs, FileSystem& files) {
  const InputGuard guard(inputs, files);
  for (std::size_t o = 0; o < outputs.size(); ++o) {
    if (const std::optional<std::size_t> input = guard.input_at(outputs[o]))
      return Clash{o, *input};
  }
  return std::nullopt;
}

}  // namespace tarnix
