#include "online/request_query.h"

#include <gtest/gtest.h>

#include "online/update_info.h"

namespace tazmel {
namespace {

// The hex of the data, the scrambling and the percent-encoding of `s`.
TEST(RequestQueryTest, Fields) {
  EXPECT_EQ(HexText("abc"), "616263");
  EXPECT_EQ(ScrambleIdentity("ravkr"), std::string("\0\0\0\0\0", 5));
  EXPECT_EQ(ScrambleIdentity(ScrambleIdentity("A-B|host")), "A-B|host");
  EXPECT_EQ(PercentEncode(std::string("S\x01=a b~", 7)), "S%01%3Da%20b~");

  ClientFields fields("1.2.3.0", "chs", 2052);
  EXPECT_EQ(RequestQuery("7", fields, ""), "?t=7&s=&v=1.2.3.0&l=chs&c=2052&d=") << "no SID before registration";
  fields.SetSid("SID=x y");
  EXPECT_EQ(RequestQuery("6", fields, "hi"), "?t=6&s=SID%3Dx%20y&v=1.2.3.0&l=chs&c=2052&d=6869");
}

// The identity has its two parts, and the plain form has no control bytes
// while the scrambled one always does.
TEST(RequestQueryTest, Identity) {
  const std::string plain = PlainClientIdentity();
  ASSERT_NE(plain.find('|'), std::string::npos);
  EXPECT_LE(plain.size() - plain.find('|') - 1, 15u);
  const std::string scrambled = ScrambleIdentity(plain);
  EXPECT_EQ(scrambled.size(), plain.size());
}

TEST(RequestQueryTest, SidAnswer) {
  EXPECT_EQ(SidFromAnswer("SID=12ab\r\n"), "SID=12ab");
  EXPECT_EQ(SidFromAnswer("  SID=1 "), "SID=1");
  EXPECT_EQ(SidFromAnswer("<html>SID="), "");
  EXPECT_EQ(SidFromAnswer(""), "");
}

// Credentials never leave in a report; reports without an address pass.
TEST(RequestQueryTest, ReportsLoseCredentials) {
  EXPECT_EQ(ReportWithoutCredentials("S12"), "S12");
  EXPECT_EQ(ReportWithoutCredentials("P100001Z" + HexText("http://u:p@h:8000/x@y")),
            "P100001Z" + HexText("http://h:8000/x@y"));
  EXPECT_EQ(ReportWithoutCredentials("P100001Z" + HexText("mms://h/x")), "P100001Z" + HexText("mms://h/x"));
}

// Server addresses: relative ones join the base; only http and https; an
// https base is never taken down to http.
TEST(UpdateInfoTest, ResolvesAddresses) {
  struct Case {
    const char* base;
    const char* address;
    const char* expected;
  };
  const Case cases[] = {
      {"http://h/eng/", "data.zip", "http://h/eng/data.zip"},
      {"http://h/eng/", "https://cdn/d.zip", "https://cdn/d.zip"},
      {"https://h/eng/", "http://cdn/d.zip", ""},
      {"https://h/eng/", "HTTPS://cdn/d.zip", "HTTPS://cdn/d.zip"},
      {"http://h/eng/", "file:///etc/passwd", "http://h/eng/file:///etc/passwd"},
      {"http://h/eng/", "httpx://a", ""},
      {"ftp://h/", "x", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ResolveServerAddress(c.base, c.address), c.expected) << c.address;
}

TEST(UpdateInfoTest, Parses) {
  const auto info = ParseUpdateInfo(
      "[Data]\r\nVer= 2008-01-01 \r\nUrl=d.zip\r\nSize=123\r\nSha256=ABCDEF0123456789abcdef0123456789"
      "abcdef0123456789abcdef0123456789\r\n[App]\r\nVer=1.2.10\r\nUrl=new/\r\n[Check]\r\nUrl=c\r\nInt=1\r\n");
  ASSERT_TRUE(info);
  EXPECT_EQ(info->data_ver, "2008-01-01");
  EXPECT_EQ(info->data_size, 123);
  EXPECT_EQ(info->data_sha256, "abcdef0123456789abcdef0123456789abcdef0123456789abcdef0123456789");
  EXPECT_EQ(info->app_ver, "1.2.10");
  EXPECT_EQ(info->check_int, 1);
  EXPECT_FALSE(ParseUpdateInfo(""));
  EXPECT_EQ(ParseUpdateInfo("[Data]\r\nSize=-5\r\n")->data_size, 0);
  EXPECT_EQ(ParseUpdateInfo("[Data]\r\nSize=99999999999999999999\r\n")->data_size, 0);
  EXPECT_EQ(ParseUpdateInfo("[Data]\r\nSha256=zz\r\n")->data_sha256, "invalid");
}

}  // namespace
}  // namespace tazmel
