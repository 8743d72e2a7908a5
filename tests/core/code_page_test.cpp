#include "core/code_page.h"

#include <gtest/gtest.h>

namespace tazmel {
namespace {

// "中文电台" and the traditional "電臺" in GB18030 and UTF-8.
TEST(CodePageTest, RoundTrip) {
  const std::string gb = "\xD6\xD0\xCE\xC4\xB5\xE7\xCC\xA8";
  const std::string utf8 = "\xE4\xB8\xAD\xE6\x96\x87\xE7\x94\xB5\xE5\x8F\xB0";
  EXPECT_EQ(GbToUtf8(gb), utf8);
  EXPECT_EQ(Utf8ToGb(utf8), gb);
  const std::string traditional = "\xE9\x9B\xBB\xE8\x87\xBA";
  EXPECT_EQ(GbToUtf8(Utf8ToGb(traditional)), traditional);
  EXPECT_EQ(GbToUtf8("plain ascii"), "plain ascii");
  EXPECT_EQ(GbToUtf8(""), "");
}

// Broken input is replaced, not dropped silently or crashed on.
TEST(CodePageTest, BadBytes) {
  EXPECT_EQ(GbToUtf8("a\xFF"
                     "b"),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(GbToUtf8("a\xD6"), "a\xEF\xBF\xBD");  // cut in the middle
  EXPECT_EQ(Utf8ToGb("a\xC3(b"), "a?(b");
  std::string big(100000, '\xD6');
  EXPECT_FALSE(GbToUtf8(big).empty());
}

}  // namespace
}  // namespace tazmel
