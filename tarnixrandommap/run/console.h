#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarnix {

// Where console bytes go: standard output for the program, a string in tests.
class ByteSink {
 public:
  ByteSink() = default;
  ByteSink(const ByteSink&) = delete;
  ByteSink& operator=(const ByteSink&) = delete;
  virtual ~ByteSink() = default;

  virtual void write(std::string_view bytes) = 0;
  // The reason (an errno value) the first failed write failed, or 0.
  [[nodiscard]] virtual int error() const { return 0; }
};

// Writes to a file descriptor. Console output is best effort: a closed or
// failing standard output must not stop the map from being written. The
// first failure is remembered for callers that report it, and nothing more
// is written after it. A non-blocking descriptor is waited for when full.
class FdSink final : public ByteSink {
 public:
  explicit FdSink(int fd) : fd_(fd) {}
  // A descriptor the program was started without (see
  // reserve_standard_descriptors): every write fails, as it always has on
  // a closed descriptor, whatever now holds the number.
  FdSink(int fd, bool closed) : fd_(fd), closed_(closed) {}
  void write(std::string_view bytes) override;
  [[nodiscard]] int error() const override { return error_; }

 private:
  int fd_;
  bool closed_ = false;
  int error_ = 0;
};

// Keeps every write separately, so tests see where the console flushed.
class StringSink final : public ByteSink {
 public:
  void write(std::string_view bytes) override { writes.emplace_back(bytes); }
  [[nodiscard]] std::string all() const;

  std::vector<std::string> writes;
};

// How a console ends its lines.
enum class LineEnds {
  kCrLf,  // text mode, as the generator has always written: CR LF everywhere
  kLf,    // the platform's own
};

// The console: in text mode every line feed, from a line end or inside a
// text, goes out as CR LF, on every platform. Text is held until a line end,
// which flushes, or until flush().
class Console {
 public:
  explicit Console(ByteSink& sink, LineEnds ends = LineEnds::kCrLf) : sink_(sink), ends_(ends) {}
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;
  ~Console() { flush(); }

  void text(std::string_view text);
  // A line end: CR LF, then a flush.
  void line_end();
  void line(std::string_view text) {
    this->text(text);
    line_end();
  }
  void flush();
  // Whether anything written so far failed to reach the sink.
  [[nodiscard]] bool failed() const { return sink_.error() != 0; }

 private:
  ByteSink& sink_;
  LineEnds ends_;
  std::string pending_;
};

}  // namespace tarnix
