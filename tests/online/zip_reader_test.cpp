#include "online/zip_reader.h"

#include <gtest/gtest.h>

#include "online/zip_writer.h"

namespace tazmel {
namespace {

std::string TwoEntryArchive(ZipWriter::Method method) {
  ZipWriter zip;
  zip.Add("data/eng/treesys.dat", "0/0/-52,1/By genre=genre.dat\r\n", method);
  zip.Add("data/eng/empty.dat", "", method);
  return zip.Finish();
}

// Stored and deflated entries come back byte for byte, empty ones too.
TEST(ZipReaderTest, ReadsStoredAndDeflated) {
  for (const auto method : {ZipWriter::Method::kStored, ZipWriter::Method::kDeflated}) {
    const ZipResult zip = ReadZip(TwoEntryArchive(method));
    ASSERT_TRUE(zip.ok()) << zip.error;
    ASSERT_EQ(zip.entries.size(), 2u);
    EXPECT_EQ(zip.entries[0].name, "data/eng/treesys.dat");
    EXPECT_EQ(zip.entries[0].data, "0/0/-52,1/By genre=genre.dat\r\n");
    EXPECT_EQ(zip.entries[0].kind, ZipEntry::Kind::kFile);
    EXPECT_EQ(zip.entries[1].data, "");
  }
}

// The modes of folders and links are told apart from files.
TEST(ZipReaderTest, TellsKinds) {
  ZipWriter zip;
  zip.Add("data/", "", ZipWriter::Method::kStored, 040755);
  zip.Add("data/eng/link", "/etc/passwd", ZipWriter::Method::kStored, 0120777);
  const ZipResult read = ReadZip(zip.Finish());
  ASSERT_TRUE(read.ok()) << read.error;
  EXPECT_EQ(read.entries[0].kind, ZipEntry::Kind::kFolder);
  EXPECT_EQ(read.entries[1].kind, ZipEntry::Kind::kOther);
}

// Offset of the n-th local header's data (0-based) in an archive of the
// writer's making.
std::size_t DataOffset(const std::string& archive, int n) {
  std::size_t at = 0;
  for (int i = 0;; ++i) {
    const std::size_t name_length =
        static_cast<unsigned char>(archive[at + 26]) | static_cast<unsigned char>(archive[at + 27]) << 8;
    const std::size_t packed = static_cast<unsigned char>(archive[at + 18]) |
                               static_cast<unsigned char>(archive[at + 19]) << 8 |
                               static_cast<std::size_t>(static_cast<unsigned char>(archive[at + 20])) << 16;
    if (i == n) return at + 30 + name_length;
    at += 30 + name_length + packed;
  }
}

// Damage anywhere fails the whole archive and returns no entry at all.
TEST(ZipReaderTest, DamageFailsWholeArchive) {
  ZipWriter writer;
  writer.Add("a.dat", std::string(5000, 'a'));
  writer.Add("b.dat", "bbbb", ZipWriter::Method::kStored);
  writer.Add("c.dat", std::string(3000, 'c'));
  const std::string good = writer.Finish();
  ASSERT_TRUE(ReadZip(good).ok());

  struct Case {
    const char* what;
    std::string archive;
  };
  std::vector<Case> cases;
  std::string crc = good;
  crc[DataOffset(good, 1)] ^= 1;  // a stored byte flipped: only the CRC can tell
  cases.push_back({"bad CRC", crc});
  std::string third = good;
  third[DataOffset(good, 2) + 2] = '\xFF';
  third[DataOffset(good, 2) + 3] = '\xFF';
  cases.push_back({"corrupt third entry", third});
  cases.push_back({"cut short", good.substr(0, good.size() - 30)});
  cases.push_back({"no directory", good.substr(0, DataOffset(good, 2))});
  cases.push_back({"empty", ""});
  cases.push_back({"garbage", std::string(100, 'x')});
  for (const Case& c : cases) {
    const ZipResult zip = ReadZip(c.archive);
    EXPECT_FALSE(zip.ok()) << c.what;
    EXPECT_TRUE(zip.entries.empty()) << c.what;
  }
}

// A bomb cannot unpack past what its directory declares, and the declared
// total and the entry count are bounded.
TEST(ZipReaderTest, LimitsHold) {
  // 64 MiB of zeros deflates to some 64 KiB; the directory then says 1 KiB.
  ZipWriter bomb;
  bomb.Add("zeros", std::string(64u << 20, '\0'));
  std::string archive = bomb.Finish();
  const std::size_t end = archive.size() - 22;
  const std::size_t directory = end - 46 - 5;
  for (const std::size_t at : {std::size_t{22}, directory + 24}) {  // local and central "size"
    archive[at] = 0;
    archive[at + 1] = 4;
    archive[at + 2] = 0;
    archive[at + 3] = 0;
  }
  EXPECT_FALSE(ReadZip(archive).ok());
  EXPECT_FALSE(ReadZip(bomb.Finish(), {.max_entries = 1000, .max_total_bytes = 1u << 20}).ok());

  ZipWriter many;
  for (int i = 0; i < 1001; ++i) many.Add("f" + std::to_string(i), "x", ZipWriter::Method::kStored);
  const ZipResult too_many = ReadZip(many.Finish());
  EXPECT_FALSE(too_many.ok());
  EXPECT_NE(too_many.error.find("1000"), std::string::npos) << too_many.error;
}

// The names the directory and the local header give must agree.
TEST(ZipReaderTest, NamesMustAgree) {
  ZipWriter writer;
  writer.Add("data/eng/genre.dat", "x", ZipWriter::Method::kStored);
  std::string archive = writer.Finish();
  archive[30 + 9] = 'G';  // the local header's copy only
  EXPECT_FALSE(ReadZip(archive).ok());
}

}  // namespace
}  // namespace tazmel
