#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>

#include "tarnixrandommap/mapfile/file_bytes.h"
#include "tarnixrandommap/mapfile/standard_descriptors.h"

namespace tarnix {

// How a read ended.
enum class ReadStatus {
  kRead,      // the whole file is in *bytes
  kFailed,    // *err holds the reason
  kTooLarge,  // the file holds more than the limit; *size says how much at least
};

// A file as the system knows it, whatever its names: two names of one file
// have the same identity.
struct FileId {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool operator==(const FileId&) const = default;
  bool operator<(const FileId& other) const {
    return device != other.device ? device < other.device : inode < other.inode;
  }
};

// Where files come from and go to. The programs use the disk; tests and the
// fuzzer keep files in memory.
class FileSystem {
 public:
  FileSystem() = default;
  FileSystem(const FileSystem&) = delete;
  FileSystem& operator=(const FileSystem&) = delete;
  virtual ~FileSystem() = default;

  // Puts the concatenation of `parts` at `path`, the one way either program
  // writes a file:
  // - nothing there, a regular file, or a symbolic link (the link itself,
  //   never what it points to): a complete new file takes the name at once.
  //   On failure the earlier file is left exactly as it was and nothing is
  //   left behind. A replaced file keeps its permission bits (and its owner
  //   and group where the process may set them); a new one gets 0666 less
  //   the umask;
  // - a device, FIFO or socket, a link to one that root or the user owns,
  //   or a name of one of the process's open descriptors (/dev/stdout,
  //   /dev/fd/N): written in place as a stream, never created or replaced;
  //   such a name whose descriptor is closed is refused;
  // - a directory: refused.
  // Returns false with *err saying what failed (the file, or the temporary
  // file in its directory) and the system's reason.
  [[nodiscard]] virtual bool write_file(std::string_view path,
                                        std::span<const std::string_view> parts,
                                        std::string* err) = 0;

  // Reads the whole file at `path` into *bytes, unless it holds more than
  // `max_bytes`: then *size is its size, or max_bytes + 1 for a stream,
  // which is read no further, and *bytes is empty. Memory that runs out is
  // a failure like any other.
  [[nodiscard]] virtual ReadStatus read_file(std::string_view path, std::uint64_t max_bytes,
                                             FileBytes* bytes, std::uint64_t* size,
                                             std::string* err) = 0;

  // Reads the file at `path` from start to end a piece at a time, handing
  // each piece to `take`, which returns false to read no further; holds no
  // more than one piece at once, so a stream of any length can be read.
  // Returns false with *err saying why it could not be read.
  using TakePiece = std::function<bool(std::string_view piece)>;
  [[nodiscard]] virtual bool read_pieces(std::string_view path, const TakePiece& take,
                                         std::string* err) = 0;

  // Which existing file `path` names, through links too; nothing when
  // there is none.
  [[nodiscard]] virtual std::optional<FileId> identity(std::string_view path) = 0;

  // Whether `a` and `b` name one and the same existing file (through links
  // too), so that writing `b` would overwrite `a`.
  [[nodiscard]] bool same_file(std::string_view a, std::string_view b) {
    const std::optional<FileId> x = identity(a);
    return x && x == identity(b);
  }

  // Makes the directory `path` (0777 less the umask), and any of its
  // parents that are missing, unless it is there already. Returns false
  // with *err when it cannot (naming the parent that failed, if not `path`
  // itself), or when something else stands at a name on the way.
  [[nodiscard]] virtual bool make_directory(std::string_view path, std::string* err) = 0;
};

// The disk. Every regular file is written to an unnamed temporary file in
// its directory where the file system offers one (it vanishes with the
// process, however it ends), otherwise to a hidden file with an unguessable
// name that is removed on every failure and on the signals that end a
// process; the file is synced to disk and only then given its name.
class DiskFileSystem final : public FileSystem {
 public:
  // How the temporary file is made; kNamedOnly is the fallback, chosen by
  // tests to reach it on a file system that has the unnamed kind.
  enum class Temporary { kUnnamedFirst, kNamedOnly };

  // `standard` says which standard descriptors the program was started
  // without: a name of one of them (/dev/stdout) is refused, never written
  // to whatever now holds its number.
  explicit DiskFileSystem(Temporary temporary = Temporary::kUnnamedFirst,
                          const StandardDescriptors& standard = {})
      : temporary_(temporary), standard_(standard) {}
  explicit DiskFileSystem(const StandardDescriptors& standard)
      : DiskFileSystem(Temporary::kUnnamedFirst, standard) {}

  bool write_file(std::string_view path, std::span<const std::string_view> parts,
                  std::string* err) override;
  ReadStatus read_file(std::string_view path, std::uint64_t max_bytes, FileBytes* bytes,
                       std::uint64_t* size, std::string* err) override;
  bool read_pieces(std::string_view path, const TakePiece& take, std::string* err) override;
  std::optional<FileId> identity(std::string_view path) override;
  bool make_directory(std::string_view path, std::string* err) override;

 private:
  Temporary temporary_;
  StandardDescriptors standard_;
};

// Keeps files in memory; can be told to fail the next write.
class MemoryFileSystem final : public FileSystem {
 public:
  bool write_file(std::string_view path, std::span<const std::string_view> parts,
                  std::string* err) override;
  ReadStatus read_file(std::string_view path, std::uint64_t max_bytes, FileBytes* bytes,
                       std::uint64_t* size, std::string* err) override;
  bool read_pieces(std::string_view path, const TakePiece& take, std::string* err) override;
  std::optional<FileId> identity(std::string_view path) override;
  bool make_directory(std::string_view path, std::string* err) override;

  std::map<std::string, std::string, std::less<>> files;
  std::set<std::string, std::less<>> directories;  // paths that are directories
  std::optional<std::string> fail_next;            // the reason to report for the next write
  std::size_t piece_size = std::size_t{1} << 20U;  // bytes read_pieces hands over at once
  std::size_t lookups = 0;                         // calls of identity() so far

 private:
  std::map<std::string, std::uint64_t, std::less<>> inodes_;  // given out as names are asked
};

// The files a command reads, by identity, to hold each file it would write
// against: one look-up an input, and one an output.
class InputGuard {
 public:
  InputGuard(std::span<const std::string> inputs, FileSystem& files);

  // The place in the inputs of the file that writing `output` would
  // overwrite (through links too), or nothing.
  [[nodiscard]] std::optional<std::size_t> input_at(std::string_view output) const;

 private:
  FileSystem& files_;
  std::map<FileId, std::size_t> read_;
};

// An output that is one of the inputs: their places in each list.
struct Clash {
  std::size_t output = 0;
  std::size_t input = 0;
};

// The first of `outputs` that names the same existing file as one of
// `inputs`, through links too, and the first such input; nothing when
// writing them all would overwrite no input. Each name is looked up once.
[[nodiscard]] std::optional<Clash> find_clash(std::span<const std::string> inputs,
                                              std::span<const std::string> outputs,
                                              FileSystem& files);

}  // namespace tarnix
