#include "music/id3_tag.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "core/file_utils.h"
#include "music/music_media.h"
#include "temp_dir.h"

using namespace std::string_literals;

namespace tazmel {
namespace {

using test::AudioSum;
using test::MakeMp3;
using test::Mutagen;
using test::Quote;
using test::Shell;
using test::TempDir;

// "你好" in the data code page and in UTF-8.
constexpr const char* kNiHaoGb = "\xC4\xE3\xBA\xC3";

class Id3TagTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mp3_ = dir_ / "song.mp3";
    ASSERT_TRUE(MakeMp3(mp3_, "-b 128"));
    original_ = *ReadWholeFile(mp3_);
    sum_ = AudioSum(mp3_);
    ASSERT_EQ(sum_.size(), 36u);
  }
  std::string Bytes() const { return *ReadWholeFile(mp3_); }
  void WriteBytes(const std::string& bytes) const { ASSERT_TRUE(WriteFileAtomically(mp3_, bytes)); }
  TID3Tag Tag() const {
    TID3Tag tag;
    tag.FileName = mp3_.string();
    return tag;
  }

  TempDir dir_;
  std::filesystem::path mp3_;
  std::string original_;
  std::string sum_;
};

TEST_F(Id3TagTest, ReadsTagsOtherToolsWrote) {
  const struct {
    const char* name;
    std::string command;
    std::string title, artist, album, year, genre, comment, track, url;
  } cases[] = {
      {"id3v2", "id3v2 -t Title -a Artist -A Album -y 2001 -c Remark -g 17 -T 5 FILE", "Title", "Artist", "Album",
       "2001", "Rock", "Remark", "5", ""},
      {"eyeD3 2.4",
       "eyeD3 --quiet --to-v2.4 -t 'T 2.4' -a 'A B' -A Al --recording-date 2002 -G Jazz -n 3 -c 'Hi there' "
       "--user-url-frame ':http://example.org/' FILE",
       "T 2.4", "A B", "Al", "2002", "Jazz", "Hi there", "03", "http://example.org/"},
      {"lame", "", "Lame Title", "Lame Artist", "", "", "", "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.command.empty()) {
      ASSERT_TRUE(MakeMp3(mp3_, "-b 128 --add-id3v2 --tt 'Lame Title' --ta 'Lame Artist'"));
    } else {
      WriteBytes(original_);
      std::string command = c.command;
      command.replace(command.find("FILE"), 4, Quote(mp3_));
      Shell(command + " >/dev/null 2>&1");
    }
    TID3Tag tag = Tag();
    ASSERT_TRUE(tag.ReadID3v2());
    EXPECT_EQ(tag.V2Title(), c.title);
    EXPECT_EQ(tag.V2Artist(), c.artist);
    EXPECT_EQ(tag.V2Album(), c.album);
    EXPECT_EQ(tag.V2Year(), c.year);
    EXPECT_EQ(tag.V2Genre(), c.genre);
    EXPECT_EQ(tag.V2Comment(), c.comment);
    EXPECT_EQ(tag.V2Track(), c.track);
    EXPECT_EQ(tag.V2URL(), c.url);
  }
  // id3v2 also wrote the ID3v1 tag, with the standard genre number.
  WriteBytes(original_);
  Shell("id3v2 -t Title -a Artist -g 17 " + Quote(mp3_) + " >/dev/null 2>&1");
  TID3Tag tag = Tag();
  ASSERT_TRUE(tag.ReadID3v1());
  EXPECT_EQ(tag.V1Title(), "Title");
  EXPECT_EQ(tag.V1Genre(), "Rock");
}

// UTF-16 and UTF-8 texts arrive in the data code page, without the
// encoding byte or a byte-order mark.
TEST_F(Id3TagTest, ReadsMutagenEncodingsAndKeepsCoverArt) {
  const std::string script = R"(import sys
from mutagen.id3 import ID3, TIT2, TPE1, TALB, COMM, APIC, TCON
t = ID3()
t.add(TIT2(encoding=1, text='\u4f60\u597d'))
t.add(TPE1(encoding=3, text='Caf\u00e9'))
t.add(TALB(encoding=2, text='Big \u4f60'))
t.add(TCON(encoding=0, text='(17)'))
t.add(COMM(encoding=1, lang='deu', desc='', text='Kommentar'))
t.add(COMM(encoding=0, lang='eng', desc='iTunNORM', text='0000'))
t.add(APIC(encoding=0, mime='image/png', type=3, desc='', data=bytes(range(256)) * 40))
t.save(sys.argv[1], v2_version=int(sys.argv[2]) if len(sys.argv) > 2 else 4)
print('ok')
)";
  for (int version : {4, 3}) {
    SCOPED_TRACE(version);
    WriteBytes(original_);
    const std::filesystem::path py = dir_ / "w.py";
    std::ofstream(py) << script;
    ASSERT_EQ(Shell("/usr/bin/python3 " + Quote(py) + " " + Quote(mp3_) + " " + std::to_string(version)), "ok\n");
    TID3Tag tag = Tag();
    ASSERT_TRUE(tag.ReadID3v2());
    EXPECT_EQ(tag.V2Title(), kNiHaoGb);
    EXPECT_EQ(tag.V2Artist(), "Caf\xA8\xA6");  // é in GB18030
    EXPECT_EQ(tag.V2Album(), std::string("Big ") + "\xC4\xE3");
    EXPECT_EQ(tag.V2Genre(), "Rock");
    EXPECT_EQ(tag.V2Comment(), "Kommentar");

    // A larger tag: the cover and the player's own comment go along.
    tag.SetV2(TID3Tag::kV2Title, std::string(3000, 'x'));
    ASSERT_TRUE(tag.WriteID3v2());
    EXPECT_EQ(AudioSum(mp3_), sum_);
    const std::string check = R"(import sys
from mutagen.id3 import ID3
t = ID3(sys.argv[1])
print(t.version[1], len(t['TIT2'].text[0]), t.getall('APIC')[0].data == bytes(range(256)) * 40,
      sorted(c.desc for c in t.getall('COMM')))
)";
    EXPECT_EQ(Mutagen(check, mp3_), "3 3000 True ['', 'iTunNORM']\n");
  }
}

TEST_F(Id3TagTest, WrittenTagsReadBackInOtherTools) {
  TID3Tag tag = Tag();
  EXPECT_FALSE(tag.ReadID3v2());
  EXPECT_FALSE(tag.WriteID3v2());  // nothing changed: the file stays
  tag.SetV2(TID3Tag::kV2Title, kNiHaoGb);
  tag.SetV2(TID3Tag::kV2Artist, "Artist");
  tag.SetV2(TID3Tag::kV2Album, "Album");
  tag.SetV2(TID3Tag::kV2Year, "1999");
  tag.SetV2(TID3Tag::kV2Genre, "Rock");
  tag.SetV2(TID3Tag::kV2Comment, "Line one\r\nLine two");
  tag.SetV2(TID3Tag::kV2Composer, "Composer");
  tag.SetV2(TID3Tag::kV2OrigArtist, "Orig");
  tag.SetV2(TID3Tag::kV2Copyright, "(c) Us");
  tag.SetV2(TID3Tag::kV2URL, "http://example.org/x");
  tag.SetV2(TID3Tag::kV2Encodedby, "Tazmel");
  tag.SetV2(TID3Tag::kV2Track, "7");
  ASSERT_TRUE(tag.WriteID3v2());
  EXPECT_EQ(AudioSum(mp3_), sum_);

  const std::string script = R"(import sys
from mutagen.id3 import ID3
t = ID3(sys.argv[1])
c = t.getall('COMM')[0]
w = t.getall('WXXX')[0]
print(t.version[1], t['TIT2'].text[0] == '\u4f60\u597d', t['TPE1'].text[0], t['TALB'].text[0], t['TCON'].genres[0],
      repr(c.text[0]), c.lang, repr(w.desc), w.url, t['TRCK'].text[0], t['TCOM'].text[0])
)";
  EXPECT_EQ(Mutagen(script, mp3_),
            "3 True Artist Album Rock 'Line one\\r\\nLine two' eng '' http://example.org/x 7 Composer\n");
  const std::string listing = Shell("id3v2 -l " + Quote(mp3_));
  EXPECT_NE(listing.find("TPE1 (Lead performer(s)/Soloist(s)): Artist"), std::string::npos) << listing;
  EXPECT_NE(listing.find("WXXX (User defined URL link): (): http://example.org/x"), std::string::npos) << listing;

  TID3Tag again = Tag();
  ASSERT_TRUE(again.ReadID3v2());
  for (int field = 0; field < TID3Tag::kV2FieldCount; ++field) {
    EXPECT_EQ(again.V2(static_cast<TID3Tag::V2Field>(field)), tag.V2(static_cast<TID3Tag::V2Field>(field)));
  }
}

TEST_F(Id3TagTest, SmallerTagsStayInPlaceAndDeletingGivesBackTheAudio) {
  TID3Tag tag = Tag();
  tag.SetV2(TID3Tag::kV2Title, std::string(500, 't'));
  ASSERT_TRUE(tag.WriteID3v2());
  const std::uintmax_t grown = std::filesystem::file_size(mp3_);
  // The tag ends exactly where the audio begins.
  EXPECT_EQ(Bytes().substr(grown - original_.size()), original_);

  tag.SetV2(TID3Tag::kV2Title, "short");
  ASSERT_TRUE(tag.WriteID3v2());
  EXPECT_EQ(std::filesystem::file_size(mp3_), grown);  // rewritten in place, padded
  EXPECT_EQ(Bytes().substr(grown - original_.size()), original_);
  TID3Tag read = Tag();
  ASSERT_TRUE(read.ReadID3v2());
  EXPECT_EQ(read.V2Title(), "short");

  ASSERT_TRUE(read.DeleteID3v2());
  EXPECT_EQ(Bytes(), original_);
  EXPECT_FALSE(read.DeleteID3v2());
}

TEST_F(Id3TagTest, Id3v1AppendsRewritesAndDeletes) {
  TID3Tag tag = Tag();
  EXPECT_FALSE(tag.ReadID3v1());
  EXPECT_EQ(tag.V1Title(), "");
  tag.SetV1(TID3Tag::kV1Title, std::string(40, 'T'));
  tag.SetV1(TID3Tag::kV1Genre, "rock");
  ASSERT_TRUE(tag.WriteID3v1());
  std::string bytes = Bytes();
  ASSERT_EQ(bytes.size(), original_.size() + 128);
  EXPECT_EQ(bytes.substr(original_.size(), 3), "TAG");
  EXPECT_EQ(static_cast<unsigned char>(bytes.back()), 17);  // the standard number of Rock
  EXPECT_NE(Shell("id3v2 -l " + Quote(mp3_)).find("Genre: Rock (17)"), std::string::npos);

  // Another write goes over the tag that is there now.
  TID3Tag again = Tag();
  ASSERT_TRUE(again.ReadID3v1());
  EXPECT_EQ(again.V1Title(), std::string(30, 'T'));
  again.SetV1(TID3Tag::kV1Artist, "Someone");
  ASSERT_TRUE(again.WriteID3v1());
  EXPECT_EQ(std::filesystem::file_size(mp3_), original_.size() + 128);
  EXPECT_EQ(AudioSum(mp3_), sum_);

  ASSERT_TRUE(again.DeleteID3v1());
  EXPECT_EQ(Bytes(), original_);
  EXPECT_FALSE(again.DeleteID3v1());

  // Byte 255 is no genre.
  std::string none = original_ + "TAG" + std::string(124, '\0') + "\xFF";
  WriteBytes(none);
  ASSERT_TRUE(again.ReadID3v1());
  EXPECT_EQ(again.V1Genre(), "");
}

// Tags this reader once took wrongly, made by hand.
TEST_F(Id3TagTest, HandMadeTagsOfEachVersion) {
  auto frame22 = [](std::string id, std::string content) {
    return id + std::string(1, '\0') + static_cast<char>(content.size() >> 8) + static_cast<char>(content.size()) +
           content;
  };
  auto syncsafe = [](std::size_t n) {
    return std::string{static_cast<char>((n >> 21) & 0x7F), static_cast<char>((n >> 14) & 0x7F),
                       static_cast<char>((n >> 7) & 0x7F), static_cast<char>(n & 0x7F)};
  };
  auto frame24 = [&](std::string id, std::string content) { return id + syncsafe(content.size()) + "\0\0"s + content; };
  auto tag = [&](int version, int flags, std::string body) {
    return "ID3"s + static_cast<char>(version) + '\0' + static_cast<char>(flags) + syncsafe(body.size()) + body;
  };
  const struct {
    const char* name;
    std::string tag;
    bool read;
    std::string title, artist;
  } cases[] = {
      {"2.2 frames", tag(2, 0, frame22("TT2", "\0Old"s) + frame22("TP1", "\0Band"s)), true, "Old", "Band"},
      // 200 bytes of title: the size needs the syncsafe form to read right.
      {"2.4 syncsafe sizes", tag(4, 0, frame24("TIT2", "\3"s + std::string(200, 'a')) + frame24("TPE1", "\3B"s)), true,
       std::string(200, 'a'), "B"},
      {"2.3 extended header", tag(3, 0x40, "\0\0\0\6"s + std::string(6, '\0') + "TIT2\0\0\0\4\0\0\0Ext"s), true, "Ext",
       ""},
      {"2.4 extended header", tag(4, 0x40, syncsafe(6) + "\1\0"s + frame24("TIT2", "\0X"s)), true, "X", ""},
      {"invalid frame stops", tag(3, 0, "TIT2\0\0\0\3\0\0\0ab"s + "ti\x01\x02\0\0\0\1\0\0z"s), true, "ab", ""},
      {"frame larger than the tag", tag(3, 0, "TIT2\x7F\0\0\0\0\0\0ab"s), true, "", ""},
      {"version 5", tag(5, 0, "TIT2\0\0\0\3\0\0\0ab"s), false, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(c.tag + original_);
    TID3Tag t = Tag();
    EXPECT_EQ(t.ReadID3v2(), c.read);
    EXPECT_EQ(t.V2Title(), c.title);
    EXPECT_EQ(t.V2Artist(), c.artist);
  }
}

// A header claiming more than the file holds: read what is there, write
// and delete nothing.
TEST_F(Id3TagTest, RefusesTagsLargerThanTheFile) {
  const std::string bad = "ID3\3\0\0\x7F\x7F\x7F\x7F"s + "TIT2\0\0\0\3\0\0\0ab"s;
  WriteBytes(bad + original_);
  TID3Tag tag = Tag();
  EXPECT_TRUE(tag.ReadID3v2());
  EXPECT_EQ(tag.V2Title(), "ab");
  tag.SetV2(TID3Tag::kV2Title, "new");
  EXPECT_FALSE(tag.WriteID3v2());
  EXPECT_FALSE(tag.DeleteID3v2());
  EXPECT_EQ(Bytes(), bad + original_);
}

TEST_F(Id3TagTest, FifosAndMissingFilesFailAtOnce) {
  const auto fifo = dir_ / "x.mp3";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  TID3Tag tag;
  for (const std::filesystem::path& name : {fifo, dir_ / "missing.mp3"}) {
    tag.FileName = name.string();
    EXPECT_FALSE(tag.ReadID3v1());
    EXPECT_FALSE(tag.ReadID3v2());
    tag.SetV2(TID3Tag::kV2Title, name.string());
    EXPECT_FALSE(tag.WriteID3v2());
    EXPECT_FALSE(tag.DeleteID3v2());
  }
}

// A write that grows the tag, killed at any moment, leaves the old file or
// the new one.
TEST_F(Id3TagTest, KilledWriteLeavesTheOldOrTheNewFile) {
  // A long file makes the copy take a while.
  std::string big = original_;
  while (big.size() < 40u * 1024 * 1024) big += original_;
  WriteBytes(big);
  TID3Tag probe = Tag();
  probe.SetV2(TID3Tag::kV2Title, "grown");
  const std::filesystem::path copy = dir_ / "copy.mp3";
  ASSERT_TRUE(WriteFileAtomically(copy, big));
  probe.FileName = copy.string();
  ASSERT_TRUE(probe.WriteID3v2());
  const std::string grown = *ReadWholeFile(copy);
  std::filesystem::remove(copy);

  int saw_old = 0, saw_new = 0;
  for (int delay_us : {0, 2000, 5000, 10000, 20000, 40000, 80000}) {
    WriteBytes(big);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      TID3Tag tag;
      tag.FileName = mp3_.string();
      tag.SetV2(TID3Tag::kV2Title, "grown");
      tag.WriteID3v2();
      ::_exit(0);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(delay_us));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    const std::string now = Bytes();
    EXPECT_TRUE(now == big || now == grown) << delay_us << " us: " << now.size() << " bytes";
    saw_old += now == big;
    saw_new += now == grown;
  }
  EXPECT_GT(saw_old + saw_new, 0);
}

TEST(Id3GenresTest, TableHasTheEmptyNameAndTheStandardOrder) {
  std::vector<std::string> names;
  TID3Tag::GenreNames(names);
  ASSERT_EQ(names.size(), 127u);
  EXPECT_EQ(names[0], "");
  EXPECT_EQ(names[1], "Blues");
  EXPECT_EQ(names[126], "Dance Hall");
  EXPECT_EQ(TID3Tag::GenreByte("Rock"), 17);
  EXPECT_EQ(TID3Tag::GenreByte("No such"), 255);
}

}  // namespace
}  // namespace tazmel
