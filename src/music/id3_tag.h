#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tazmel {

// Reads, writes and removes the ID3v1 tag at the end of an MP3 file and the
// ID3v2 tag at its start. Texts are data-code-page bytes. ID3v2 tags of
// versions 2.2, 2.3 and 2.4 are read; tags are written as 2.3, keeping the
// frames this class does not edit (cover art and the like) as they were.
//
// A write that moves the audio (a larger ID3v2 tag, removing it) builds the
// new file beside the old one and renames it into place, so an interrupted
// write leaves either file whole; a write that moves nothing stays in
// place. Every operation opens the file itself and closes it again.
class TID3Tag {
 public:
  enum V1Field { kV1Title, kV1Artist, kV1Album, kV1Year, kV1Comment, kV1Genre, kV1FieldCount };
  enum V2Field {
    kV2Title,
    kV2Artist,
    kV2Album,
    kV2Year,
    kV2Comment,
    kV2Genre,
    kV2Composer,
    kV2OrigArtist,
    kV2Copyright,
    kV2URL,
    kV2Encodedby,
    kV2Track,
    kV2FieldCount
  };

  std::string FileName;

  const std::string& V1(V1Field field) const { return v1_[field]; }
  const std::string& V2(V2Field field) const { return v2_[field]; }
  // Setting a different value marks the group as changed.
  void SetV1(V1Field field, std::string value);
  void SetV2(V2Field field, std::string value);

  const std::string& V1Title() const { return v1_[kV1Title]; }
  const std::string& V1Artist() const { return v1_[kV1Artist]; }
  const std::string& V1Album() const { return v1_[kV1Album]; }
  const std::string& V1Year() const { return v1_[kV1Year]; }
  const std::string& V1Comment() const { return v1_[kV1Comment]; }
  const std::string& V1Genre() const { return v1_[kV1Genre]; }
  const std::string& V2Title() const { return v2_[kV2Title]; }
  const std::string& V2Artist() const { return v2_[kV2Artist]; }
  const std::string& V2Album() const { return v2_[kV2Album]; }
  const std::string& V2Year() const { return v2_[kV2Year]; }
  const std::string& V2Comment() const { return v2_[kV2Comment]; }
  const std::string& V2Genre() const { return v2_[kV2Genre]; }
  const std::string& V2Composer() const { return v2_[kV2Composer]; }
  const std::string& V2OrigArtist() const { return v2_[kV2OrigArtist]; }
  const std::string& V2Copyright() const { return v2_[kV2Copyright]; }
  const std::string& V2URL() const { return v2_[kV2URL]; }
  const std::string& V2Encodedby() const { return v2_[kV2Encodedby]; }
  const std::string& V2Track() const { return v2_[kV2Track]; }

  void SetV1Title(std::string value) { SetV1(kV1Title, std::move(value)); }
  void SetV1Artist(std::string value) { SetV1(kV1Artist, std::move(value)); }
  void SetV1Album(std::string value) { SetV1(kV1Album, std::move(value)); }
  void SetV1Year(std::string value) { SetV1(kV1Year, std::move(value)); }
  void SetV1Comment(std::string value) { SetV1(kV1Comment, std::move(value)); }
  void SetV1Genre(std::string value) { SetV1(kV1Genre, std::move(value)); }
  void SetV2Title(std::string value) { SetV2(kV2Title, std::move(value)); }
  void SetV2Artist(std::string value) { SetV2(kV2Artist, std::move(value)); }
  void SetV2Album(std::string value) { SetV2(kV2Album, std::move(value)); }
  void SetV2Year(std::string value) { SetV2(kV2Year, std::move(value)); }
  void SetV2Comment(std::string value) { SetV2(kV2Comment, std::move(value)); }
  void SetV2Genre(std::string value) { SetV2(kV2Genre, std::move(value)); }
  void SetV2Composer(std::string value) { SetV2(kV2Composer, std::move(value)); }
  void SetV2OrigArtist(std::string value) { SetV2(kV2OrigArtist, std::move(value)); }
  void SetV2Copyright(std::string value) { SetV2(kV2Copyright, std::move(value)); }
  void SetV2URL(std::string value) { SetV2(kV2URL, std::move(value)); }
  void SetV2Encodedby(std::string value) { SetV2(kV2Encodedby, std::move(value)); }
  void SetV2Track(std::string value) { SetV2(kV2Track, std::move(value)); }

  bool V1Changed() const { return v1_changed_; }
  bool V2Changed() const { return v2_changed_; }

  // Whether the last 128 bytes hold a tag; the fields are cleared first.
  bool ReadID3v1();
  // Writes the V1 fields when they changed: over the tag the file has now,
  // or appended.
  bool WriteID3v1();
  bool DeleteID3v1();

  // Whether the file starts with a tag of version 2.2 to 2.4 that could be
  // read; the fields are cleared first and keep what was read before an
  // invalid frame.
  bool ReadID3v2();
  // Writes the V2 fields when they changed. Refused when the file's tag
  // claims more bytes than the file has.
  bool WriteID3v2();
  bool DeleteID3v2();

  // The 127 names: "" first, then the standard genres 0..125.
  static void GenreNames(std::vector<std::string>& list);
  static const std::array<std::string_view, 126>& StandardGenres();
  // The ID3v1 genre byte for a name (case-insensitive), 255 for none.
  static std::uint8_t GenreByte(std::string_view name);

 private:
  std::array<std::string, kV1FieldCount> v1_{};
  std::array<std::string, kV2FieldCount> v2_{};
  bool v1_changed_ = false;
  bool v2_changed_ = false;
};

// The pieces of an ID3v2 tag the writer and the MPEG reader need.
struct Id3v2Layout {
  bool present = false;     // "ID3" with a version of 2..4 and a valid size
  int version = 0;          // 2, 3 or 4
  std::uint64_t total = 0;  // header + body (+ footer): where the audio starts
};
// Looks at the first 10 bytes of a file (`header`) of `file_size` bytes.
Id3v2Layout ParseId3v2Header(std::string_view header);

// The parsed content of an ID3v2 tag's bytes (header included), bounded by
// what `tag` holds. For the fuzzers and the reader.
struct Id3v2Content {
  bool valid = false;
  int version = 0;
  std::array<std::string, TID3Tag::kV2FieldCount> fields{};
  // The frames not taken into the fields, each as a complete ID3v2.3
  // frame (header and content), in their order.
  std::vector<std::string> other_frames;
};
Id3v2Content ParseId3v2(std::string_view tag);

// An ID3v2.3 tag of the fields and the other frames, padded with zero
// bytes to at least `min_size` bytes in all (header included).
std::string BuildId3v2(const std::array<std::string, TID3Tag::kV2FieldCount>& fields,
                       const std::vector<std::string>& other_frames, std::uint64_t min_size);

}  // namespace tazmel
