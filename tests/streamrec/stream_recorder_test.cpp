#include "streamrec/stream_recorder.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "music/id3_tag.h"
#include "streamrec/stream_media.h"
#include "support/http_server.h"
#include "support/loop_dispatcher.h"

namespace tazmel {
namespace {

using namespace std::chrono_literals;
using test::TestHttpConnection;
using test::TestHttpHeaders;

constexpr std::size_t kMetaInt = 4000;
constexpr double kOverlap = 1.5;
constexpr double kStreamSeconds = 15.0;

std::string MetaBlock(const std::string& title) {
  std::string meta = "StreamTitle='" + title + "';StreamUrl='';";
  meta.resize((meta.size() + 15) / 16 * 16, '\0');
  meta.insert(meta.begin(), static_cast<char>(meta.size() / 16));
  return meta;
}

// Sends `body` once as an ICY stream, quicker than real time. The titles
// take equal shares of the bytes; each block after a change names the new
// title, every fourth block repeats it, the others are empty. Without
// titles, or when the client does not ask, no metadata at all.
void ServeIcy(TestHttpConnection& connection, const std::string& body, const std::string& type,
              const std::vector<std::string>& titles) {
  const bool icy = connection.Header("Icy-MetaData") == "1" && !titles.empty();
  TestHttpHeaders headers = {{"Content-Type", type}, {"icy-name", "Loopback Radio"}};
  if (icy) headers.emplace_back("icy-metaint", std::to_string(kMetaInt));
  if (!connection.WriteHead(200, headers)) return;
  std::size_t sent = 0;
  std::size_t shown = titles.size();
  int block = 0;
  while (sent < body.size() && !connection.Stopping()) {
    const std::size_t chunk = std::min(kMetaInt, body.size() - sent);
    if (!connection.Write(std::string_view(body).substr(sent, chunk))) return;
    sent += chunk;
    if (icy && chunk == kMetaInt) {
      const std::size_t now = std::min(titles.size() - 1, sent * titles.size() / body.size());
      const bool say = now != shown || ++block % 4 == 0;
      shown = now;
      if (!connection.Write(say ? MetaBlock(titles[now]) : std::string(1, '\0'))) return;
    }
    connection.SleepFor(5ms);
  }
}

struct Recording {
  std::vector<TrackFile> started;
  std::optional<StreamRecordResult> result;
};

// Records `url` to the end (or `stop_after` tracks) on a real-time loop.
Recording Record(const std::string& url, const std::filesystem::path& folder, int stop_after = 0) {
  test::LoopDispatcher loop;
  Recording out;
  StreamRecorder* self = nullptr;
  StreamRecorder recorder(loop, {.track_started =
                                     [&](const TrackFile& file) {
                                       out.started.push_back(file);
                                       if (stop_after > 0 && static_cast<int>(out.started.size()) == stop_after)
                                         self->Stop();
                                     },
                                 .ended = [&](const StreamRecordResult& result) { out.result = result; }});
  self = &recorder;
  EXPECT_TRUE(recorder.Start({.url = url,
                              .folder = folder,
                              .untitled_name = "Loopback Radio 2026-12-10 23.00.00",
                              .overlap_seconds = kOverlap,
                              .connect_timeout_seconds = 5,
                              .stall_timeout_seconds = 5}));
  EXPECT_TRUE(recorder.Recording());
  EXPECT_TRUE(loop.RunUntil([&] { return out.result.has_value(); }, 60s));
  EXPECT_FALSE(recorder.Recording());
  return out;
}

// The audio of a recorded file without what the recorder put before it:
// the ID3v2 tag, or the Ogg set-up pages (granule 0).
std::string AudioPart(const std::string& file, StreamFormat format) {
  if (format != StreamFormat::kOgg) {
    const Id3v2Layout tag = ParseId3v2Header(std::string_view(file).substr(0, 10));
    return file.substr(tag.present ? tag.total : 0);
  }
  std::size_t at = 0;
  while (at + 27 <= file.size() && file.compare(at, 4, "OggS") == 0) {
    std::int64_t granule = 0;
    for (int k = 7; k >= 0; --k) granule = granule << 8 | static_cast<unsigned char>(file[at + 6 + k]);
    if (granule != 0) break;
    const std::size_t segments = static_cast<unsigned char>(file[at + 26]);
    std::size_t length = 27 + segments;
    for (std::size_t i = 0; i < segments; ++i) length += static_cast<unsigned char>(file[at + 27 + i]);
    at += length;
  }
  return file.substr(at);
}

struct FormatCase {
  StreamFormat format;
  const char* content_type;
  const char* codec;
  const char* extension;
  // The longest unit the stream is cut in: a frame, or an Ogg page (about a
  // second from ffmpeg). Each side of an overlap may run over by one.
  double unit_seconds;
};

class StreamRecorderFormatTest : public ::testing::TestWithParam<FormatCase> {};

// Three titles, one of them with a slash and one in Chinese: one file each,
// named by the title, decodable, of the right codec, and overlapping its
// neighbour by twice the overlap, byte for byte.
TEST_P(StreamRecorderFormatTest, SplitsAtEachTitleWithOverlap) {
  const FormatCase c = GetParam();
  const std::string body = test::ToneStream(c.format, kStreamSeconds);
  ASSERT_GT(body.size(), 20 * kMetaInt);
  const std::vector<std::string> titles = {"AC/DC - Back in Black", "\xE6\xAD\x8C\xE6\x89\x8B - \xE6\xAD\x8C",
                                           "Artist C - Song 3"};
  test::TestHttpServer server;
  server.ServeHandler("/live",
                      [&](TestHttpConnection& connection) { ServeIcy(connection, body, c.content_type, titles); });
  test::TempDir dir;

  const Recording rec = Record(server.Url("/live"), dir.path());
  ASSERT_TRUE(rec.result && rec.result->ok) << (rec.result ? rec.result->error : "no end");
  const std::vector<TrackFile>& files = rec.result->files;
  ASSERT_EQ(files.size(), 3u);
  ASSERT_EQ(rec.started.size(), 3u);
  const std::vector<std::string> names = {"ACDC - Back in Black", titles[1], "Artist C - Song 3"};
  double total = 0;
  std::vector<std::string> audio;
  for (std::size_t i = 0; i < files.size(); ++i) {
    SCOPED_TRACE(files[i].path.string());
    EXPECT_EQ(files[i].path, dir / (names[i] + c.extension));
    EXPECT_EQ(files[i].title, titles[i]);
    EXPECT_EQ(test::ProbeCodec(files[i].path), c.codec);
    const double seconds = test::ProbeSeconds(files[i].path);
    // Each title holds a third of the stream; the outer files gain one
    // overlap, the middle one two. Titles change on metadata blocks, half
    // a second apart at most at these rates.
    const double expected = kStreamSeconds / 3 + (i == 1 ? 2 : 1) * kOverlap;
    EXPECT_GE(seconds, expected - 0.6);
    EXPECT_LE(seconds, expected + 0.6 + 2 * c.unit_seconds);
    total += seconds;
    audio.push_back(AudioPart(test::ReadFile(files[i].path), c.format));
  }
  EXPECT_GE(total, kStreamSeconds + 4 * kOverlap - 0.3);
  EXPECT_LE(total, kStreamSeconds + 4 * kOverlap + 4 * c.unit_seconds + 0.3);

  for (std::size_t i = 0; i + 1 < audio.size(); ++i) {
    SCOPED_TRACE(i);
    const std::size_t from = audio[i].rfind(audio[i + 1].substr(0, 256));
    ASSERT_NE(from, std::string::npos) << "the next file begins with audio of this one";
    const std::string shared = audio[i].substr(from);
    EXPECT_TRUE(audio[i + 1].starts_with(shared));
    std::string probe = shared;
    if (c.format == StreamFormat::kOgg) {
      const std::string whole = test::ReadFile(files[i + 1].path);
      probe = whole.substr(0, whole.size() - audio[i + 1].size()) + shared;
    }
    const auto shared_file = dir / (std::string("shared") + c.extension);
    test::WriteFile(shared_file, probe);
    const double overlap = test::ProbeSeconds(shared_file);
    EXPECT_GE(overlap, 2 * kOverlap - 0.05);
    EXPECT_LE(overlap, 2 * kOverlap + 2 * c.unit_seconds + 0.05);
  }

  if (c.format != StreamFormat::kOgg) {  // ADTS readers take an ID3v2 tag too
    EXPECT_EQ(test::ProbeTag(files[0].path, "artist"), "AC/DC");
    EXPECT_EQ(test::ProbeTag(files[0].path, "title"), "Back in Black");
    EXPECT_EQ(test::ProbeTag(files[1].path, "artist"), "\xE6\xAD\x8C\xE6\x89\x8B");
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, StreamRecorderFormatTest,
                         ::testing::Values(FormatCase{StreamFormat::kMp3, "audio/mpeg", "mp3", ".mp3", 0.03},
                                           FormatCase{StreamFormat::kAac, "audio/aacp", "aac", ".aac", 0.03},
                                           FormatCase{StreamFormat::kOgg, "application/ogg", "vorbis", ".ogg", 1.05}),
                         [](const auto& format) { return std::string(format.param.extension + 1); });

// A station that sends no metadata records everything into one file named
// after the station; so does one whose type says nothing, told by its bytes.
TEST(StreamRecorderTest, StationWithoutTitlesRecordsOneFile) {
  const std::string body = test::ToneStream(StreamFormat::kMp3, 6.0);
  test::TestHttpServer server;
  server.ServeHandler(
      "/plain", [&](TestHttpConnection& connection) { ServeIcy(connection, body, "application/octet-stream", {}); });
  test::TempDir dir;
  const Recording rec = Record(server.Url("/plain"), dir.path());
  ASSERT_TRUE(rec.result && rec.result->ok) << (rec.result ? rec.result->error : "no end");
  ASSERT_EQ(rec.result->files.size(), 1u);
  const auto path = dir / "Loopback Radio 2026-12-10 23.00.00.mp3";
  EXPECT_EQ(rec.result->files[0].path, path);
  EXPECT_EQ(test::ReadFile(path), body) << "the stream as it came, nothing added";
  EXPECT_EQ(test::ProbeCodec(path), "mp3");
}

// Icecast sends Ogg without ICY metadata, one chained logical stream per
// track named in its comment header: each becomes its own file, cut
// cleanly where the chain changes (audio cannot overlap into another
// logical stream), byte for byte as sent.
TEST(StreamRecorderTest, ChainedOggSplitsAtEachLogicalStream) {
  const std::string one = test::OggTrack(4.0, "Artist A", "One");
  const std::string two = test::OggTrack(3.0, "Artist B", "Two");
  const std::string body = one + two;
  test::TestHttpServer server;
  server.ServeHandler("/ogg", [&](TestHttpConnection& connection) { ServeIcy(connection, body, "audio/ogg", {}); });
  test::TempDir dir;
  const Recording rec = Record(server.Url("/ogg"), dir.path());
  ASSERT_TRUE(rec.result && rec.result->ok) << (rec.result ? rec.result->error : "no end");
  ASSERT_EQ(rec.result->files.size(), 2u);
  EXPECT_EQ(rec.result->files[0].path, dir / "Artist A - One.ogg");
  EXPECT_EQ(rec.result->files[1].path, dir / "Artist B - Two.ogg");
  EXPECT_TRUE(test::ReadFile(rec.result->files[0].path) == one);
  EXPECT_TRUE(test::ReadFile(rec.result->files[1].path) == two);
  EXPECT_EQ(test::ProbeCodec(rec.result->files[1].path), "vorbis");
  EXPECT_EQ(test::ProbeTag(rec.result->files[1].path, "title"), "") << "Ogg keeps its tags in the stream";
}

// Stopping mid-stream ends the recording with the files written so far.
TEST(StreamRecorderTest, StopEndsWithTheFilesSoFar) {
  const std::string tone = test::ToneStream(StreamFormat::kMp3, 2.0);
  std::string body;
  while (body.size() < 4'000'000) body += tone;  // far longer than the test
  test::TestHttpServer server;
  server.ServeHandler("/live", [&](TestHttpConnection& connection) {
    ServeIcy(connection, body, "audio/mpeg", {"One", "Two", "Three", "Four"});
  });
  test::TempDir dir;
  const Recording rec = Record(server.Url("/live"), dir.path(), 2);
  ASSERT_TRUE(rec.result && rec.result->ok) << rec.result->error;
  ASSERT_EQ(rec.result->files.size(), 2u);
  EXPECT_EQ(test::ProbeCodec(rec.result->files[1].path), "mp3");
}

// Failures end the recording with the reason and no files.
TEST(StreamRecorderTest, ConnectionFailuresAreReported) {
  test::TestHttpServer server;
  struct Case {
    std::string url;
    std::string error_part;
  };
  const std::vector<Case> cases = {
      {server.Url("/missing"), "404"},
      {"http://127.0.0.1:" + std::to_string(test::UnusedLoopbackPort()) + "/", "onnect"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    test::TempDir dir;
    const Recording rec = Record(c.url, dir.path());
    ASSERT_TRUE(rec.result);
    EXPECT_FALSE(rec.result->ok);
    EXPECT_NE(rec.result->error.find(c.error_part), std::string::npos) << rec.result->error;
    EXPECT_TRUE(rec.result->files.empty());
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  }
}

}  // namespace
}  // namespace tazmel

namespace tazmel {
namespace {

TEST(PlaylistStreamAddressTest, FirstStreamOfAPlaylist) {
  struct Case {
    std::string document;
    std::string address;
  };
  const std::vector<Case> cases = {
      {"[playlist]\r\nNumberOfEntries=2\r\nFile1=http://a.example:8000/live\r\nFile2=http://b.example/\r\n",
       "http://a.example:8000/live"},
      {"#EXTM3U\n#EXTINF:-1,Radio\nhttps://a.example/stream.aac\n", "https://a.example/stream.aac"},
      {"#EXTM3U\n#EXT-X-TARGETDURATION:10\nhttp://a.example/seg1.ts\n", ""},
      {"<html>not a playlist</html>", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(PlaylistStreamAddress(c.document), c.address) << c.document;
}

// A station address that names a playlist records the stream it names.
TEST(StreamRecorderTest, PlaylistAddressIsFollowed) {
  const std::string body = test::ToneStream(StreamFormat::kMp3, 3.0);
  test::TestHttpServer server;
  server.ServeHandler("/live",
                      [&](TestHttpConnection& connection) { ServeIcy(connection, body, "audio/mpeg", {"Only Song"}); });
  server.Serve("/listen.pls", {200, "audio/x-scpls", "[playlist]\nFile1=" + server.Url("/live") + "\n"});
  test::TempDir dir;
  const Recording rec = Record(server.Url("/listen.pls"), dir.path());
  ASSERT_TRUE(rec.result && rec.result->ok) << rec.result->error;
  ASSERT_EQ(rec.result->files.size(), 1u);
  EXPECT_EQ(rec.result->files[0].path, dir / "Only Song.mp3");
  EXPECT_EQ(test::ProbeCodec(rec.result->files[0].path), "mp3");
}

}  // namespace
}  // namespace tazmel
