#include "core/text_utils.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace tazmel {
namespace {

// Every byte up to the blank goes at both ends, GB18030 bytes stay (their
// lead bytes are above 0x80).
TEST(TrimControlsTest, BytesUpToBlank) {
  const struct {
    std::string_view text, trimmed;
  } cases[] = {
      {"  a b  ", "a b"},
      {std::string_view("\0\t\r\n\x1F x \x7F\x01", 9), "x \x7F"},
      {"\xC4\xE3 ", "\xC4\xE3"},
      {" \t\r\n", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(TrimControls(c.text), c.trimmed) << c.text;
}

TEST(Utf8Test, Validity) {
  const struct {
    std::string_view text;
    bool valid;
  } cases[] = {
      {"plain ASCII", true},
      {"", true},
      {"\xC3\xA9\xE6\xAD\x8C\xF0\x9F\x8E\xB5", true},  // two-, three- and four-byte forms
      {"\xC4\xE3\xBA\xC3", false},                     // GB18030 text
      {"\xE6\xAD", false},                             // cut short
      {"\x80", false},                                 // trail byte alone
      {"\xC0\xAF", false},                             // overlong
      {"\xF5\x80\x80\x80", false},                     // beyond U+10FFFF
      {"a\xC3", false},                                // lead at the end
  };
  for (const auto& c : cases) EXPECT_EQ(IsValidUtf8(c.text), c.valid) << c.text;
}

// Each length's first and last code point.
TEST(Utf8Test, Append) {
  const struct {
    char32_t code;
    std::string_view bytes;
  } cases[] = {
      {0x41, "A"},
      {0x7F, "\x7F"},
      {0x80, "\xC2\x80"},
      {0x7FF, "\xDF\xBF"},
      {0x800, "\xE0\xA0\x80"},
      {0xFFFD, "\xEF\xBF\xBD"},
      {0x10000, "\xF0\x90\x80\x80"},
      {0x10FFFF, "\xF4\x8F\xBF\xBF"},
  };
  for (const auto& c : cases) {
    std::string out = "x";
    AppendUtf8(out, c.code);
    EXPECT_EQ(out, "x" + std::string(c.bytes)) << static_cast<std::uint32_t>(c.code);
    EXPECT_TRUE(IsValidUtf8(out));
  }
}

// CutFirst returns the head and leaves the text after the whole separator.
TEST(CutFirstTest, CutsAtFirstSeparator) {
  struct Case {
    std::string text, separator, head, rest;
  } cases[] = {
      {"12-Radio-One", "-", "12", "Radio-One"},
      {"a + b + c", " + ", "a", "b + c"},
      {"no separator", ",", "no separator", ""},
      {"", ",", "", ""},
      {",lead", ",", "", "lead"},
      {"trail,", ",", "trail", ""},
  };
  for (Case& c : cases) {
    std::string text = c.text;
    EXPECT_EQ(CutFirst(text, c.separator), c.head) << c.text;
    EXPECT_EQ(text, c.rest) << c.text;
  }
}

// NthField counts from 1 and is empty past the last field.
TEST(NthFieldTest, Fields) {
  EXPECT_EQ(NthField("a,b,c", 1, ','), "a");
  EXPECT_EQ(NthField("a,b,c", 3, ','), "c");
  EXPECT_EQ(NthField("a,b,c", 4, ','), "");
  EXPECT_EQ(NthField("whole", 1, ','), "whole");
  EXPECT_EQ(NthField("a,,c", 2, ','), "");
  EXPECT_EQ(NthField("a,b", 0, ','), "");
}

// Padding fills to the width but never cuts digits, and stops at 20.
TEST(PadTest, ZeroAndSpace) {
  EXPECT_EQ(ZeroPad(7, 3), "007");
  EXPECT_EQ(ZeroPad(1234, 3), "1234");
  EXPECT_EQ(ZeroPad(123, 3), "123");
  EXPECT_EQ(SpacePad(7, 3), "  7");
  EXPECT_EQ(ZeroPad(5, 50).size(), 20u);
  EXPECT_EQ(ZeroPad(-5, 3), "-05");
  EXPECT_EQ(SpacePad(-5, 3), " -5");
}

// Only letters, digits and *-.@_ survive URL encoding; bytes above 127 too
// are encoded, in upper-case hex.
TEST(UrlEncodeTest, Encodes) {
  EXPECT_EQ(UrlEncode("a b&c"), "a%20b%26c");
  EXPECT_EQ(UrlEncode("A-z_0.9*@"), "A-z_0.9*@");
  EXPECT_EQ(UrlEncode("\xC4\xE3/?"), "%C4%E3%2F%3F");
  EXPECT_EQ(UrlEncode(std::string("\0", 1)), "%00");
}

TEST(IsPlainTextTest, DetectsHtmlWords) {
  EXPECT_FALSE(IsPlainText("<HTML><p>"));
  EXPECT_FALSE(IsPlainText("the HeAd of it"));
  EXPECT_FALSE(IsPlainText("<Body>"));
  EXPECT_TRUE(IsPlainText("http://radio/stream.mp3\r\n"));
}

// Replacement scans left to right and does not rescan what it put in.
TEST(ReplaceAllTest, NoRescan) {
  EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa");
  EXPECT_EQ(ReplaceAll("abab", "ab", "b"), "bb");
  EXPECT_EQ(ReplaceAll("xyz", "", "q"), "xyz");
  EXPECT_EQ(ReplaceAll("a||b||", "||", "\t"), "a\tb\t");
}

TEST(CompleteWebAddressTest, Completes) {
  EXPECT_EQ(CompleteWebAddress(""), "");
  EXPECT_EQ(CompleteWebAddress("www.example.org"), "http://www.example.org/");
  EXPECT_EQ(CompleteWebAddress("http://a.org/index.html"), "http://a.org/index.html/");
  EXPECT_EQ(CompleteWebAddress("HTTPS://a.org/"), "HTTPS://a.org/");
}

TEST(SplitHostPortTest, DefaultPort) {
  EXPECT_EQ(SplitHostPort("proxy:3128"), (std::pair<std::string, std::string>{"proxy", "3128"}));
  EXPECT_EQ(SplitHostPort("proxy"), (std::pair<std::string, std::string>{"proxy", "8080"}));
  EXPECT_EQ(SplitHostPort("a:b:c"), (std::pair<std::string, std::string>{"a", "b:c"}));
}

// Versions compare part by part; the last part repeats once dots run out,
// so only a strictly newer version passes a minimum check.
TEST(CompareVersionTest, Table) {
  struct Case {
    const char* installed;
    const char* required;
    int result;
  } cases[] = {
      {"9.0.0.0", "9.0", 0},
      {"9.0.0.2980", "9.0", 1},
      {"10.0.0.3646", "9.0", 1},
      {"", "9.0", -1},
      {"6.0.8", "6.0.8", 0},
      {"6.0.9.1", "6.0.8", 1},
      {"6.0.8.1", "6.0.8", -1},
      {"x.1", "0.1", 0},
      {"6.0.10", "6.0.9", 1},
      // Only 34 steps count: a difference in part 35 is no difference.
      {"0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.1",
       "0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0", 0},
      {"0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0",
       "0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.1", -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CompareVersion(c.installed, c.required), c.result) << c.installed << " vs " << c.required;
  }
}

TEST(ParseIntegerTest, StrictDecimal) {
  EXPECT_EQ(ParseInteger(" 42 "), 42);
  EXPECT_EQ(ParseInteger("-7"), -7);
  EXPECT_EQ(ParseInteger("+7"), 7);
  EXPECT_EQ(ParseInteger("12abc"), std::nullopt);
  EXPECT_EQ(ParseInteger("+-5"), std::nullopt);
  EXPECT_EQ(ParseInteger(""), std::nullopt);
  EXPECT_EQ(ParseInteger("99999999999"), std::nullopt);
}

// Case folding leaves bytes outside ASCII letters alone.
TEST(CaseTest, AsciiOnly) {
  EXPECT_TRUE(EqualsNoCase("Options", "OPTIONS"));
  EXPECT_FALSE(EqualsNoCase("\xC4\xE3", "\xC4\xC3"));
  EXPECT_EQ(AsciiLowerCopy("AbC\xC4Z"), "abc\xC4z");
}

// Translated patterns are filled without printf: the first conversion gets
// the value, stray conversions and a lone "%" cannot read past the
// arguments.
TEST(FormatSlotTest, Table) {
  const struct {
    const char* pattern;
    const char* value;
    const char* expected;
  } cases[] = {
      {"Volume:%d%%", "50", "Volume:50%"},
      {"Equation:%d%%Left", "25", "Equation:25%Left"},
      {"Exit %s", "Tazmel", "Exit Tazmel"},
      {"%s and %s", "a", "a and "},
      {"%5d|", "7", "7|"},
      {"100%", "x", "100%"},
      {"%q", "x", "%q"},
      {"no conversion", "x", "no conversion"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatSlot(c.pattern, c.value), c.expected) << c.pattern;
}

}  // namespace
}  // namespace tazmel
