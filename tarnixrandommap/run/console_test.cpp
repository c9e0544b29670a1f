#include "tarnixrandommap/run/console.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <string>
#include <thread>

namespace tarnix {
namespace {

TEST(Console, EveryLineFeedBecomesCrLf) {
  StringSink sink;
  {
    Console console(sink);
    console.text("a\nb\n\n");
    console.line("c");
    console.text("no line end");
  }  // the rest goes out when the console is done
  EXPECT_EQ(sink.all(), "a\r\nb\r\n\r\nc\r\nno line end");
}

TEST(Console, FlushesAtEachLineEndOnly) {
  StringSink sink;
  Console console(sink);
  console.text("held\n");
  EXPECT_TRUE(sink.writes.empty());
  console.line("one");
  console.line("two");
  console.text("tail");
  console.flush();
  console.flush();
  const std::vector<std::string> want = {"held\r\none\r\n", "two\r\n", "tail"};
  EXPECT_EQ(sink.writes, want);
}

TEST(Console, PlatformLineEndsLeaveLineFeedsAlone) {
  StringSink sink;
  {
    Console console(sink, LineEnds::kLf);
    console.text("a\nb");
    console.line("");
  }
  EXPECT_EQ(sink.all(), "a\nb\n");
}

// A failed write is remembered (the first reason), and nothing is written
// after it: once standard output is lost, whatever follows is lost too.
TEST(FdSink, StopsAtTheFirstFailure) {
  std::array<int, 2> fds{};
  ASSERT_EQ(pipe2(fds.data(), O_NONBLOCK), 0);
  const int out = open("/dev/full", O_WRONLY);
  ASSERT_GE(out, 0);
  FdSink sink(out);
  sink.write("");
  EXPECT_EQ(sink.error(), 0);
  sink.write("lost");
  EXPECT_EQ(sink.error(), ENOSPC);
  // The same descriptor now leads to a working pipe: a sink that went on
  // writing would put "again" there.
  ASSERT_EQ(dup2(fds[1], out), out);
  sink.write("again");
  EXPECT_EQ(sink.error(), ENOSPC);
  std::array<char, 8> buffer{};
  EXPECT_EQ(read(fds[0], buffer.data(), buffer.size()), -1);
  EXPECT_EQ(errno, EAGAIN);

  const auto previous = std::signal(SIGPIPE, SIG_IGN);  // as both programs do
  FdSink piped(fds[1]);
  Console console(piped, LineEnds::kLf);
  console.line("kept");
  EXPECT_FALSE(console.failed());
  EXPECT_EQ(read(fds[0], buffer.data(), buffer.size()), 5);
  close(fds[0]);
  console.line("into a closed pipe");
  std::signal(SIGPIPE, previous);
  EXPECT_TRUE(console.failed());
  EXPECT_EQ(piped.error(), EPIPE);
  close(fds[1]);
  close(out);
}

// A non-blocking descriptor that fills up is waited for, not given up on:
// every byte arrives and nothing is reported as lost.
TEST(FdSink, WaitsForANonBlockingDescriptor) {
  std::array<int, 2> fds{};
  ASSERT_EQ(pipe2(fds.data(), O_NONBLOCK), 0);
  const std::string bytes(1 << 20, 'x');  // far more than a pipe holds
  std::string received;
  std::thread reader([&] {
    std::array<char, 4096> buffer{};
    for (;;) {
      const ssize_t n = read(fds[0], buffer.data(), buffer.size());
      if (n == 0) break;
      if (n > 0) received.append(buffer.data(), static_cast<std::size_t>(n));
      if (n < 0) std::this_thread::yield();
    }
  });
  FdSink sink(fds[1]);
  sink.write(bytes);
  EXPECT_EQ(sink.error(), 0);
  close(fds[1]);
  reader.join();
  EXPECT_EQ(received.size(), bytes.size());
  close(fds[0]);
}

}  // namespace
}  // namespace tarnix
