#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tarnix {

// Where map files go. The program writes to disk; tests and the fuzzer keep
// files in memory.
class FileSystem {
 public:
  FileSystem() = default;
  FileSystem(const FileSystem&) = delete;
  FileSystem& operator=(const FileSystem&) = delete;
  virtual ~FileSystem() = default;

  // Makes `path` a file holding the concatenation of `parts`, all or nothing:
  // on success the complete file is in place; on failure any earlier file of
  // that name is left exactly as it was, *err holds the system's reason, and
  // false is returned.
  [[nodiscard]] virtual bool replace_file(std::string_view path,
                                          std::span<const std::string_view> parts,
                                          std::string* err) = 0;

  // Reads the whole file at `path` into *bytes. Returns false and sets *err
  // to the system's reason when it cannot.
  [[nodiscard]] virtual bool read_file(std::string_view path, std::string* bytes,
                                       std::string* err) = 0;
};

// Writes each file to a new temporary file beside it, checks every write,
// syncs it to disk and renames it over `path`. The file gets the permissions
// of any newly created file (0666 less the umask).
class DiskFileSystem final : public FileSystem {
 public:
  bool replace_file(std::string_view path, std::span<const std::string_view> parts,
                    std::string* err) override;
  bool read_file(std::string_view path, std::string* bytes, std::string* err) override;
};

// Keeps files in memory; can be told to fail the next write.
class MemoryFileSystem final : public FileSystem {
 public:
  bool replace_file(std::string_view path, std::span<const std::string_view> parts,
                    std::string* err) override;
  bool read_file(std::string_view path, std::string* bytes, std::string* err) override;

  std::map<std::string, std::string, std::less<>> files;
  std::optional<std::string> fail_next;  // the reason to report for the next write
};

}  // namespace tarnix
