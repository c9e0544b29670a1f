#include "tarnixrandommap/run/console.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>

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

// A failed write is remembered (the first reason), and later writes are
// still tried: the generator's console stays best effort.
TEST(FdSink, RemembersTheFirstFailure) {
  const int full = open("/dev/full", O_WRONLY);
  ASSERT_GE(full, 0);
  FdSink sink(full);
  EXPECT_EQ(sink.error(), 0);
  sink.write("");
  EXPECT_EQ(sink.error(), 0);
  sink.write("lost");
  EXPECT_EQ(sink.error(), ENOSPC);
  close(full);
  sink.write("again");  // now EBADF
  EXPECT_EQ(sink.error(), ENOSPC);

  std::array<int, 2> fds{};
  ASSERT_EQ(pipe(fds.data()), 0);
  FdSink good(fds[1]);
  Console console(good, LineEnds::kLf);
  console.line("kept");
  EXPECT_FALSE(console.failed());
  std::array<char, 8> buffer{};
  EXPECT_EQ(read(fds[0], buffer.data(), buffer.size()), 5);
  close(fds[0]);
  const auto previous = std::signal(SIGPIPE, SIG_IGN);  // as both programs do
  console.line("into a closed pipe");
  std::signal(SIGPIPE, previous);
  EXPECT_TRUE(console.failed());
  EXPECT_EQ(good.error(), EPIPE);
  close(fds[1]);
}

}  // namespace
}  // namespace tarnix
