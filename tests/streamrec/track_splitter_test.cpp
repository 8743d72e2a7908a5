#include "streamrec/track_splitter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/text_utils.h"
#include "streamrec/stream_media.h"

namespace tazmel {
namespace {

TEST(StreamTitleTest, TitleOfAMetadataBlock) {
  struct Case {
    std::string block;
    bool found;
    std::string title;
  };
  const std::vector<Case> cases = {
      {"StreamTitle='Artist - Song';StreamUrl='http://x/';", true, "Artist - Song"},
      {"StreamTitle='Guns N' Roses - Don't Cry';", true, "Guns N' Roses - Don't Cry"},
      {"StreamTitle='Unterminated", true, "Unterminated"},
      {"StreamTitle='';", true, ""},
      {"StreamTitle='  padded  ';", true, "padded"},
      {"StreamUrl='http://x/';", false, ""},
  };
  for (const Case& c : cases) {
    const IcyTitle title = ParseStreamTitle(c.block);
    EXPECT_EQ(title.found, c.found) << c.block;
    EXPECT_EQ(title.title, c.title) << c.block;
  }
}

TEST(StreamTitleTest, MetadataBlocksAreTakenOutOfTheAudioWhereverTheBytesAreCut) {
  std::string stream = "aaaa";
  stream += '\x01';
  stream += std::string("StreamTitle='T';");
  stream += "bbbb";
  stream += '\0';  // an empty block: no change
  stream += "cc";
  for (std::size_t piece : {1u, 3u, 100u}) {
    IcyDemux demux(4);
    std::string audio;
    std::vector<std::string> metas;
    for (std::size_t at = 0; at < stream.size(); at += piece) {
      demux.Feed(
          std::string_view(stream).substr(at, piece), [&](std::string_view a) { audio += a; },
          [&](std::string_view m) { metas.emplace_back(m); });
    }
    EXPECT_EQ(audio, "aaaabbbbcc") << piece;
    EXPECT_EQ(metas, std::vector<std::string>{"StreamTitle='T';"}) << piece;
  }
}

TEST(TrackFileStemTest, TitlesBecomeFileNames) {
  struct Case {
    std::string title;
    std::string stem;
  };
  const std::vector<Case> cases = {
      {"AC/DC - T.N.T.", "ACDC - T.N.T."},
      {"What? <Live> \"Edit\" | 2: *", "What Live Edit  2 "},
      {"../../etc/passwd", "etcpasswd"},
      {"..hidden", "hidden"},
      {"Tab\tand\x01"
       "control",
       "Tabandcontrol"},
      {"\xE6\xAD\x8C\xE6\x89\x8B/\xE6\xAD\x8C", "\xE6\xAD\x8C\xE6\x89\x8B\xE6\xAD\x8C"},
      {"///", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(TrackFileStem(c.title), std::string(TrimBlanks(c.stem))) << c.title;

  // A very long title is cut below 200 bytes, never inside a character.
  std::string long_title;
  for (int i = 0; i < 100; ++i) long_title += "\xE6\xAD\x8C";
  const std::string stem = TrackFileStem(long_title);
  EXPECT_LE(stem.size(), 200u);
  EXPECT_EQ(stem.size() % 3, 0u);
  EXPECT_TRUE(IsValidUtf8(stem));

  EXPECT_EQ(TitleAsUtf8("Caf\xE9"), "Caf\xC3\xA9") << "Latin-1 from an old server";
}

class TrackSplitterTest : public ::testing::Test {
 protected:
  TrackSplitterOptions Options(double overlap = 0) {
    TrackSplitterOptions options;
    options.folder = dir_.path();
    options.format = StreamFormat::kMp3;
    options.overlap_seconds = overlap;
    options.untitled_name = "Station";
    return options;
  }
  std::vector<std::string> Names(const TrackSplitter& splitter) {
    std::vector<std::string> names;
    for (const TrackFile& file : splitter.Files()) names.push_back(file.path.filename().string());
    return names;
  }
  // The tone is whole frames, a little over a second of them.
  double SecondsOf(const std::string& bytes) {
    test::WriteFile(dir_ / "probe.mp3", bytes);
    return test::ProbeSeconds(dir_ / "probe.mp3");
  }
  test::TempDir dir_;
  const std::string second_ = test::ToneStream(StreamFormat::kMp3, 1.0);
};

// Repeats and empty titles change nothing; a title that comes back gets a
// file of its own beside the first; a file already in the folder is kept.
TEST_F(TrackSplitterTest, OneFilePerTitleChangeNoneOverwritten) {
  test::WriteFile(dir_ / "B.mp3", "the user's own file");
  TrackSplitter splitter(Options());
  for (const char* title : {"A", "A", "", "B", "B", "A"}) {
    splitter.Title(title);
    splitter.Audio(second_);
  }
  splitter.Finish();
  ASSERT_TRUE(splitter.Ok()) << splitter.Error();
  EXPECT_EQ(Names(splitter), (std::vector<std::string>{"A.mp3", "B (2).mp3", "A (2).mp3"}));
  EXPECT_EQ(test::ReadFile(dir_ / "B.mp3"), "the user's own file");
  const double one = SecondsOf(second_);
  EXPECT_NEAR(splitter.Files()[0].seconds, 3 * one, 0.01);
  EXPECT_NEAR(splitter.Files()[1].seconds, 2 * one, 0.01);
}

// A connection joins a stream anywhere: the bytes before the first whole
// frame are dropped, so the file starts on a frame.
TEST_F(TrackSplitterTest, StreamJoinedMidFrameStartsOnAFrame) {
  TrackSplitter splitter(Options());
  splitter.NoTitles();
  splitter.Audio(second_.substr(100));
  splitter.Finish();
  ASSERT_EQ(splitter.Files().size(), 1u);
  const std::string file = test::ReadFile(splitter.Files()[0].path);
  ASSERT_FALSE(file.empty());
  EXPECT_TRUE(second_.ends_with(file));
  EXPECT_EQ(static_cast<unsigned char>(file[0]), 0xFF);
  EXPECT_EQ(test::ProbeCodec(splitter.Files()[0].path), "mp3");
}

// A station that has metadata but never fills in a title still records.
TEST_F(TrackSplitterTest, NoTitleForTenSecondsRecordsUntitled) {
  TrackSplitter splitter(Options(1.0));
  for (int i = 0; i < 12; ++i) splitter.Audio(second_);
  splitter.Title("Late Title");
  splitter.Audio(second_);
  splitter.Finish();
  EXPECT_EQ(Names(splitter), (std::vector<std::string>{"Station.mp3", "Late Title.mp3"}));
  const double one = SecondsOf(second_);
  EXPECT_NEAR(splitter.Files()[0].seconds, 12 * one + 1.0, 0.03) << "all of it, and the overlap after the change";
  EXPECT_NEAR(splitter.Files()[1].seconds, one + 1.0, 0.03) << "the overlap before the change, and the rest";
}

TEST_F(TrackSplitterTest, FolderThatCannotBeWrittenIsAnError) {
  test::WriteFile(dir_ / "file", "x");
  TrackSplitterOptions options = Options();
  options.folder = dir_ / "file" / "sub";
  TrackSplitter splitter(options);
  splitter.Title("A");
  splitter.Audio(second_);
  EXPECT_FALSE(splitter.Ok());
  EXPECT_NE(splitter.Error().find("A.mp3"), std::string::npos) << splitter.Error();
  EXPECT_TRUE(splitter.Files().empty());
}

}  // namespace
}  // namespace tazmel
