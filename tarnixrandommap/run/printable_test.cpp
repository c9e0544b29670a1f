#include "tarnixrandommap/run/printable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnix {
namespace {

TEST(Printable, EscapesWhatATerminalWouldActOnAndKeepsTheRest) {
  struct Case {
    const char* name;
    std::string text;
    std::string shown;
  };
  const std::vector<Case> cases = {
      {"plain", "Cave 7", "Cave 7"},
      {"escape sequence", "\x1B[31mred", R"(\x1B[31mred)"},
      {"NUL and DEL", std::string("a\0b\x7F", 4), R"(a\x00b\x7F)"},
      {"other letters", "K\xC3\xB6nig \xE6\x97\xA5 \xF0\x9F\x98\x80",
       "K\xC3\xB6nig \xE6\x97\xA5 \xF0\x9F\x98\x80"},
      {"CSI, a C1 control",
       "\xC2\x9B"
       "31m",
       R"(\xC2\x9B31m)"},
      {"first C1 control", "\xC2\x80", R"(\xC2\x80)"},
      {"last C1 control", "\xC2\x9F", R"(\xC2\x9F)"},
      {"no-break space, just past them", "\xC2\xA0", "\xC2\xA0"},
      {"byte that is never UTF-8",
       "a\xFF"
       "b",
       R"(a\xFFb)"},
      {"lone continuation byte", "\x80", R"(\x80)"},
      {"cut short", "\xE6\x97", R"(\xE6\x97)"},
      {"overlong slash", "\xC0\xAF", R"(\xC0\xAF)"},
      {"overlong three bytes", "\xE0\x80\xAF", R"(\xE0\x80\xAF)"},
      {"surrogate", "\xED\xA0\x80", R"(\xED\xA0\x80)"},
      {"past U+10FFFF", "\xF4\x90\x80\x80", R"(\xF4\x90\x80\x80)"},
      {"right-to-left override", "ab\xE2\x80\xAEgpj.exe", R"(ab\xE2\x80\xAEgpj.exe)"},
      {"first embedding", "\xE2\x80\xAA", R"(\xE2\x80\xAA)"},
      {"first isolate", "\xE2\x81\xA6", R"(\xE2\x81\xA6)"},
      {"last isolate", "\xE2\x81\xA9", R"(\xE2\x81\xA9)"},
      {"right-to-left mark", "\xE2\x80\x8F", R"(\xE2\x80\x8F)"},
      {"Arabic letter mark", "\xD8\x9C", R"(\xD8\x9C)"},
      {"narrow no-break space, just past the overrides", "\xE2\x80\xAF", "\xE2\x80\xAF"},
      {"word joiner, just before the isolates", "\xE2\x81\xA0", "\xE2\x81\xA0"},
      {"Hebrew letters", "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D", "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(printable(c.text), c.shown) << c.name;
}

TEST(Printable, CountsTakeTheSingularForOne) {
  EXPECT_EQ(counted(0, "seed"), "0 seeds");
  EXPECT_EQ(counted(1, "seed"), "1 seed");
  EXPECT_EQ(counted(2, "later line"), "2 later lines");
  EXPECT_EQ(counted(4, "search"), "4 searches");
  EXPECT_EQ(counted(1, "search"), "1 search");
}

}  // namespace
}  // namespace tarnix
