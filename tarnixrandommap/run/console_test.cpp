#include "tarnixrandommap/run/console.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tarnix
