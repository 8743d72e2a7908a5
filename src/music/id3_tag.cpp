#include "music/id3_tag.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <optional>

#include "core/code_page.h"
#include "core/file_utils.h"
#include "core/text_utils.h"
#include "core/unique_fd.h"

namespace tazmel {
namespace {

constexpr std::array<std::string_view, 126> kGenres = {"Blues",
                                                       "Classic Rock",
                                                       "Country",
                                                       "Dance",
                                                       "Disco",
                                                       "Funk",
                                                       "Grunge",
                                                       "Hip-Hop",
                                                       "Jazz",
                                                       "Metal",
                                                       "New Age",
                                                       "Oldies",
                                                       "Other",
                                                       "Pop",
                                                       "R&B",
                                                       "Rap",
                                                       "Reggae",
                                                       "Rock",
                                                       "Techno",
                                                       "Industrial",
                                                       "Alternative",
                                                       "Ska",
                                                       "Death Metal",
                                                       "Pranks",
                                                       "Soundtrack",
                                                       "Euro-Techno",
                                                       "Ambient",
                                                       "Trip-Hop",
                                                       "Vocal",
                                                       "Jazz+Funk",
                                                       "Fusion",
                                                       "Trance",
                                                       "Classical",
                                                       "Instrumental",
                                                       "Acid",
                                                       "House",
                                                       "Game",
                                                       "Sound Clip",
                                                       "Gospel",
                                                       "Noise",
                                                       "AlternRock",
                                                       "Bass",
                                                       "Soul",
                                                       "Punk",
                                                       "Space",
                                                       "Meditative",
                                                       "Instrumental Pop",
                                                       "Instrumental Rock",
                                                       "Ethnic",
                                                       "Gothic",
                                                       "Darkwave",
                                                       "Techno-Industrial",
                                                       "Electronic",
                                                       "Pop-Folk",
                                                       "Eurodance",
                                                       "Dream",
                                                       "Southern Rock",
                                                       "Comedy",
                                                       "Cult",
                                                       "Gangsta",
                                                       "Top 40",
                                                       "Christian Rap",
                                                       "Pop/Funk",
                                                       "Jungle",
                                                       "Native American",
                                                       "Cabaret",
                                                       "New Wave",
                                                       "Psychadelic",
                                                       "Rave",
                                                       "Showtunes",
                                                       "Trailer",
                                                       "Lo-Fi",
                                                       "Tribal",
                                                       "Acid Punk",
                                                       "Acid Jazz",
                                                       "Polka",
                                                       "Retro",
                                                       "Musical",
                                                       "Rock & Roll",
                                                       "Hard Rock",
                                                       "Folk",
                                                       "Folk-Rock",
                                                       "National Folk",
                                                       "Swing",
                                                       "Fast Fusion",
                                                       "Bebob",
                                                       "Latin",
                                                       "Revival",
                                                       "Celtic",
                                                       "Bluegrass",
                                                       "Avantgarde",
                                                       "Gothic Rock",
                                                       "Progressive Rock",
                                                       "Psychedelic Rock",
                                                       "Symphonic Rock",
                                                       "Slow Rock",
                                                       "Big Band",
                                                       "Chorus",
                                                       "Easy Listening",
                                                       "Acoustic",
                                                       "Humour",
                                                       "Speech",
                                                       "Chanson",
                                                       "Opera",
                                                       "Chamber Music",
                                                       "Sonata",
                                                       "Symphony",
                                                       "Booty Bass",
                                                       "Primus",
                                                       "Porn Groove",
                                                       "Satire",
                                                       "Slow Jam",
                                                       "Club",
                                                       "Tango",
                                                       "Samba",
                                                       "Folklore",
                                                       "Ballad",
                                                       "Power Ballad",
                                                       "Rhythmic Soul",
                                                       "Freestyle",
                                                       "Duet",
                                                       "Punk Rock",
                                                       "Drum Solo",
                                                       "A capella",
                                                       "Euro-House",
                                                       "Dance Hall"};

constexpr std::size_t kV1Size = 128;
constexpr std::size_t kCopyBlock = 64 * 1024;

// The frame identifiers of the fields, in writing order, and their ID3v2.2
// spellings.
struct FrameName {
  TID3Tag::V2Field field;
  std::string_view v23;
  std::string_view v22;
};
constexpr std::array<FrameName, 12> kFrames = {{
    {TID3Tag::kV2Track, "TRCK", "TRK"},
    {TID3Tag::kV2Encodedby, "TENC", "TEN"},
    {TID3Tag::kV2URL, "WXXX", "WXX"},
    {TID3Tag::kV2Copyright, "TCOP", "TCR"},
    {TID3Tag::kV2OrigArtist, "TOPE", "TOA"},
    {TID3Tag::kV2Composer, "TCOM", "TCM"},
    {TID3Tag::kV2Genre, "TCON", "TCO"},
    {TID3Tag::kV2Comment, "COMM", "COM"},
    {TID3Tag::kV2Year, "TYER", "TYE"},
    {TID3Tag::kV2Album, "TALB", "TAL"},
    {TID3Tag::kV2Artist, "TPE1", "TP1"},
    {TID3Tag::kV2Title, "TIT2", "TT2"},
}};

std::uint32_t Syncsafe(std::string_view b) {
  return (static_cast<std::uint32_t>(static_cast<unsigned char>(b[0]) & 0x7F) << 21) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(b[1]) & 0x7F) << 14) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(b[2]) & 0x7F) << 7) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(b[3]) & 0x7F));
}

bool IsSyncsafe(std::string_view b) {
  return ((static_cast<unsigned char>(b[0]) | static_cast<unsigned char>(b[1]) | static_cast<unsigned char>(b[2]) |
           static_cast<unsigned char>(b[3])) &
          0x80) == 0;
}

std::uint32_t BigEndian(std::string_view b, int bytes) {
  std::uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) value = (value << 8) | static_cast<unsigned char>(b[static_cast<std::size_t>(i)]);
  return value;
}

void PutBigEndian(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void PutSyncsafe(std::string& out, std::uint32_t value) {
  for (int shift = 21; shift >= 0; shift -= 7) out.push_back(static_cast<char>((value >> shift) & 0x7F));
}

// Undoes the unsynchronisation scheme: every 0xFF 0x00 becomes 0xFF.
std::string Resynchronise(std::string_view data) {
  std::string out;
  out.reserve(data.size());
  for (std::size_t i = 0; i < data.size(); ++i) {
    out.push_back(data[i]);
    if (static_cast<unsigned char>(data[i]) == 0xFF && i + 1 < data.size() && data[i + 1] == '\0') ++i;
  }
  return out;
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// UTF-16 code units to UTF-8; `big_endian` unless a byte-order mark says
// otherwise.
std::string Utf16ToUtf8(std::string_view data, bool big_endian) {
  std::size_t i = 0;
  if (data.size() >= 2) {
    const auto b0 = static_cast<unsigned char>(data[0]);
    const auto b1 = static_cast<unsigned char>(data[1]);
    if (b0 == 0xFF && b1 == 0xFE) {
      big_endian = false;
      i = 2;
    } else if (b0 == 0xFE && b1 == 0xFF) {
      big_endian = true;
      i = 2;
    }
  }
  auto unit = [&](std::size_t at) -> char32_t {
    const auto a = static_cast<unsigned char>(data[at]);
    const auto b = static_cast<unsigned char>(data[at + 1]);
    return big_endian ? static_cast<char32_t>((a << 8) | b) : static_cast<char32_t>((b << 8) | a);
  };
  std::string out;
  for (; i + 1 < data.size(); i += 2) {
    char32_t code = unit(i);
    if (code >= 0xD800 && code < 0xDC00 && i + 3 < data.size()) {
      const char32_t low = unit(i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      } else {
        code = 0xFFFD;
      }
    } else if (code >= 0xD800 && code < 0xE000) {
      code = 0xFFFD;
    }
    AppendUtf8(out, code);
  }
  return out;
}

// UTF-8 to UTF-16 little-endian with its byte-order mark.
std::string Utf8ToUtf16(std::string_view utf8) {
  std::string out = "\xFF\xFE";
  auto put = [&out](char32_t unit) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>((unit >> 8) & 0xFF));
  };
  for (std::size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    char32_t code = c;
    std::size_t length = 1;
    if (c >= 0xF0 && i + 3 < utf8.size()) {
      code = ((c & 0x07u) << 18) | ((static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu) << 12) |
             ((static_cast<unsigned char>(utf8[i + 2]) & 0x3Fu) << 6) |
             (static_cast<unsigned char>(utf8[i + 3]) & 0x3Fu);
      length = 4;
    } else if (c >= 0xE0 && i + 2 < utf8.size()) {
      code = ((c & 0x0Fu) << 12) | ((static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu) << 6) |
             (static_cast<unsigned char>(utf8[i + 2]) & 0x3Fu);
      length = 3;
    } else if (c >= 0xC0 && i + 1 < utf8.size()) {
      code = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu);
      length = 2;
    } else if (c >= 0x80) {
      code = '?';
    }
    if (code >= 0x10000) {
      code -= 0x10000;
      put(0xD800 + (code >> 10));
      put(0xDC00 + (code & 0x3FF));
    } else {
      put(code);
    }
    i += length;
  }
  return out;
}

// Where a string in `encoding` ends (its terminator, or the end) and where
// the next one starts.
std::pair<std::size_t, std::size_t> StringEnd(std::string_view data, unsigned char encoding) {
  if (encoding == 1 || encoding == 2) {
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
      if (data[i] == '\0' && data[i + 1] == '\0') return {i, i + 2};
    }
    return {data.size(), data.size()};
  }
  const std::size_t zero = data.find('\0');
  if (zero == std::string_view::npos) return {data.size(), data.size()};
  return {zero, zero + 1};
}

// One string in the frame's encoding as data-code-page bytes. Encoding 0
// keeps the bytes as they were written (other programs of this code page
// store it there).
std::string DecodeText(std::string_view data, unsigned char encoding) {
  data = data.substr(0, StringEnd(data, encoding).first);
  switch (encoding) {
    case 1:
      return Utf8ToGb(Utf16ToUtf8(data, false));
    case 2:
      return Utf8ToGb(Utf16ToUtf8(data, true));
    case 3:
      return Utf8ToGb(data);
    default:
      return std::string(data);
  }
}

// A value as ID3v2.3 text: plain ASCII stays in encoding 0, anything else
// goes as UTF-16 (2.3 knows no UTF-8), so that other programs read the
// characters rather than this code page's bytes.
std::pair<char, std::string> EncodeText(std::string_view gb) {
  if (IsAscii(gb)) return {'\0', std::string(gb)};
  return {'\1', Utf8ToUtf16(GbToUtf8(gb))};
}

std::string Terminator(char encoding) { return encoding == '\1' ? std::string(2, '\0') : std::string(1, '\0'); }

// "(17)", "(17)Rock", "17" name genre 17; a refinement after the number
// wins.
std::string GenreText(std::string text) {
  std::string_view view = text;
  std::size_t number_end = 0;
  bool parenthesised = false;
  if (view.starts_with('(')) {
    parenthesised = true;
    number_end = view.find(')');
    if (number_end == std::string_view::npos) return text;
    view = view.substr(1, number_end - 1);
  }
  const std::optional<int> number = ParseInteger(view);
  if (!number || *number < 0 || *number >= static_cast<int>(kGenres.size())) return text;
  if (parenthesised) {
    const std::string rest(TrimBlanks(std::string_view(text).substr(number_end + 1)));
    if (!rest.empty()) return rest;
  } else if (view.size() != text.size()) {
    return text;
  }
  return std::string(kGenres[static_cast<std::size_t>(*number)]);
}

std::string Frame(std::string_view id, std::string_view content) {
  std::string frame(id);
  PutBigEndian(frame, static_cast<std::uint32_t>(content.size()));
  frame.append(2, '\0');
  frame.append(content);
  return frame;
}

bool IsFrameIdChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

std::optional<std::uint64_t> FileSize(int fd) {
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return static_cast<std::uint64_t>(info.st_size);
}

bool ReadAt(int fd, std::uint64_t offset, std::size_t count, std::string& out) {
  out.assign(count, '\0');
  std::size_t done = 0;
  while (done < count) {
    const ssize_t got = ::pread(fd, out.data() + done, count - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  out.resize(done);
  return done == count;
}

bool WriteAt(int fd, std::uint64_t offset, std::string_view data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t put = ::pwrite(fd, data.data() + done, data.size() - done, static_cast<off_t>(offset + done));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    done += static_cast<std::size_t>(put);
  }
  return true;
}

// Regular files only, opened without waiting (a FIFO would block).
UniqueFd OpenRegular(const std::string& name, int flags) {
  UniqueFd fd(name.c_str(), flags | O_NONBLOCK | O_CLOEXEC);
  if (!fd.Valid() || !FileSize(fd.Get())) return UniqueFd();
  const int status = ::fcntl(fd.Get(), F_GETFL);
  if (status >= 0) ::fcntl(fd.Get(), F_SETFL, status & ~O_NONBLOCK);
  return fd;
}

// The file's first `head` bytes replaced by `prefix`: written to a new
// file beside it, flushed and renamed over it, keeping its mode. The
// original is never changed in place.
bool ReplaceHead(const std::string& name, int fd, std::uint64_t head, std::string_view prefix) {
  std::error_code ec;
  std::filesystem::path target = std::filesystem::canonical(name, ec);
  if (ec) return false;
  struct stat info {};
  if (::fstat(fd, &info) != 0) return false;
  std::string temp_name = (target.parent_path() / ("." + target.filename().string() + ".tazmel-XXXXXX")).string();
  const int raw = ::mkstemp(temp_name.data());
  if (raw < 0) return false;
  ::close(raw);
  UniqueFd out(temp_name.c_str(), O_WRONLY | O_TRUNC);
  if (!out.Valid()) {
    ::unlink(temp_name.c_str());
    return false;
  }
  bool ok = WriteAll(out.Get(), prefix);
  std::string block;
  for (std::uint64_t at = head; ok && at < static_cast<std::uint64_t>(info.st_size); at += block.size()) {
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(kCopyBlock, static_cast<std::uint64_t>(info.st_size) - at));
    ok = ReadAt(fd, at, want, block) && WriteAll(out.Get(), block);
  }
  ok = ok && ::fchmod(out.Get(), info.st_mode & 07777) == 0 && ::fsync(out.Get()) == 0;
  ok = out.Close() && ok;
  ok = ok && std::rename(temp_name.c_str(), target.c_str()) == 0;
  if (!ok) ::unlink(temp_name.c_str());
  return ok;
}

// Where the file's ID3v1 tag starts, if it has one: "TAG" in the last 128
// bytes, and not inside an ID3v2 tag at the start.
std::optional<std::uint64_t> V1Offset(int fd, std::uint64_t size) {
  std::string old;
  if (size < kV1Size || !ReadAt(fd, size - kV1Size, kV1Size, old) || !old.starts_with("TAG")) return std::nullopt;
  std::string header;
  ReadAt(fd, 0, 10, header);
  const Id3v2Layout layout = ParseId3v2Header(header);
  if (layout.present && size - kV1Size < layout.total) return std::nullopt;
  return size - kV1Size;
}

}  // namespace

const std::array<std::string_view, 126>& TID3Tag::StandardGenres() { return kGenres; }

void TID3Tag::GenreNames(std::vector<std::string>& list) {
  list.emplace_back();
  for (std::string_view name : kGenres) list.emplace_back(name);
}

std::uint8_t TID3Tag::GenreByte(std::string_view name) {
  for (std::size_t i = 0; i < kGenres.size(); ++i) {
    if (EqualsNoCase(kGenres[i], TrimBlanks(name))) return static_cast<std::uint8_t>(i);
  }
  return 255;
}

void TID3Tag::SetV1(V1Field field, std::string value) {
  if (v1_[field] == value) return;
  v1_[field] = std::move(value);
  v1_changed_ = true;
}

void TID3Tag::SetV2(V2Field field, std::string value) {
  if (v2_[field] == value) return;
  v2_[field] = std::move(value);
  v2_changed_ = true;
}

bool TID3Tag::ReadID3v1() {
  v1_ = {};
  v1_changed_ = false;
  UniqueFd fd = OpenRegular(FileName, O_RDONLY);
  if (!fd.Valid()) return false;
  const std::uint64_t size = *FileSize(fd.Get());
  const std::optional<std::uint64_t> at = V1Offset(fd.Get(), size);
  std::string tag;
  if (!at || !ReadAt(fd.Get(), *at, kV1Size, tag)) return false;
  auto field = [&tag](std::size_t offset, std::size_t length) {
    std::string_view text = std::string_view(tag).substr(offset, length);
    text = text.substr(0, std::min(text.find('\0'), text.size()));
    return std::string(TrimControls(text));
  };
  v1_[kV1Title] = field(3, 30);
  v1_[kV1Artist] = field(33, 30);
  v1_[kV1Album] = field(63, 30);
  v1_[kV1Year] = field(93, 4);
  v1_[kV1Comment] = field(97, 30);
  const auto genre = static_cast<unsigned char>(tag[127]);
  v1_[kV1Genre] = genre < kGenres.size() ? std::string(kGenres[genre]) : std::string();
  return true;
}

bool TID3Tag::WriteID3v1() {
  if (!v1_changed_) return false;
  v1_changed_ = false;
  std::string tag(kV1Size, '\0');
  tag.replace(0, 3, "TAG");
  auto put = [&tag](std::size_t offset, std::size_t length, const std::string& value) {
    tag.replace(offset, std::min(length, value.size()), value.substr(0, length));
  };
  put(3, 30, v1_[kV1Title]);
  put(33, 30, v1_[kV1Artist]);
  put(63, 30, v1_[kV1Album]);
  put(93, 4, v1_[kV1Year]);
  put(97, 30, v1_[kV1Comment]);
  tag[127] = static_cast<char>(GenreByte(v1_[kV1Genre]));
  UniqueFd fd = OpenRegular(FileName, O_RDWR);
  if (!fd.Valid()) return false;
  // Where the tag is now, not where the last read saw it.
  const std::uint64_t size = *FileSize(fd.Get());
  return WriteAt(fd.Get(), V1Offset(fd.Get(), size).value_or(size), tag);
}

bool TID3Tag::DeleteID3v1() {
  UniqueFd fd = OpenRegular(FileName, O_RDWR);
  if (!fd.Valid()) return false;
  const std::optional<std::uint64_t> at = V1Offset(fd.Get(), *FileSize(fd.Get()));
  return at && ::ftruncate(fd.Get(), static_cast<off_t>(*at)) == 0;
}

Id3v2Layout ParseId3v2Header(std::string_view header) {
  Id3v2Layout layout;
  if (header.size() < 10 || !header.starts_with("ID3")) return layout;
  const auto version = static_cast<unsigned char>(header[3]);
  if (version < 2 || version > 4 || static_cast<unsigned char>(header[4]) == 0xFF) return layout;
  if (!IsSyncsafe(header.substr(6, 4))) return layout;
  layout.present = true;
  layout.version = version;
  layout.total = 10 + static_cast<std::uint64_t>(Syncsafe(header.substr(6, 4)));
  if (version == 4 && (static_cast<unsigned char>(header[5]) & 0x10) != 0) layout.total += 10;
  return layout;
}

Id3v2Content ParseId3v2(std::string_view tag) {
  Id3v2Content content;
  const Id3v2Layout layout = ParseId3v2Header(tag);
  if (!layout.present) return content;
  content.version = layout.version;
  const auto flags = static_cast<unsigned char>(tag[5]);
  const std::size_t body_size = std::min<std::uint64_t>(Syncsafe(tag.substr(6, 4)), tag.size() - 10);
  std::string body(tag.substr(10, body_size));
  const int version = layout.version;
  // 2.2 and 2.3 unsynchronise the whole tag; 2.4 each frame.
  if ((flags & 0x80) != 0 && version < 4) body = Resynchronise(body);
  if (version == 2 && (flags & 0x40) != 0) return content;  // compressed 2.2 tags have no defined scheme
  std::size_t pos = 0;
  if ((flags & 0x40) != 0) {
    if (body.size() < 4) return content;
    const std::string_view size_bytes = std::string_view(body).substr(0, 4);
    const std::uint64_t extended = version == 3 ? 4 + std::uint64_t{BigEndian(size_bytes, 4)} : Syncsafe(size_bytes);
    if (extended > body.size()) return content;
    pos = static_cast<std::size_t>(extended);
  }
  const std::size_t id_size = version == 2 ? 3 : 4;
  const std::size_t header_size = version == 2 ? 6 : 10;
  bool comment_plain = false;
  bool have_comment = false;
  bool have_date = false;
  // A described comment taken for want of a plain one; it goes back to the
  // other frames when a plain one comes.
  std::string provisional_comment;
  while (pos + header_size <= body.size()) {
    const std::string_view head = std::string_view(body).substr(pos, header_size);
    if (!std::all_of(head.begin(), head.begin() + static_cast<std::ptrdiff_t>(id_size), IsFrameIdChar)) break;
    std::uint64_t size = 0;
    if (version == 2) {
      size = BigEndian(head.substr(3, 3), 3);
    } else if (version == 3 || !IsSyncsafe(head.substr(4, 4))) {
      // Some writers put plain sizes into 2.4 tags; a size that is not
      // syncsafe can only be one.
      size = BigEndian(head.substr(4, 4), 4);
    } else {
      size = Syncsafe(head.substr(4, 4));
    }
    if (size > body.size() - pos - header_size) break;
    const std::string id(head.substr(0, id_size));
    const unsigned char format_flags = version == 2 ? 0 : static_cast<unsigned char>(head[9]);
    std::string data = body.substr(pos + header_size, static_cast<std::size_t>(size));
    pos += header_size + static_cast<std::size_t>(size);
    bool readable = true;
    if (version == 4) {
      if ((format_flags & 0x02) != 0) data = Resynchronise(data);
      if ((format_flags & 0x01) != 0) {
        if (data.size() < 4) continue;
        data.erase(0, 4);
      }
      readable = (format_flags & 0x0C) == 0;  // neither compressed nor encrypted
    } else if (version == 3) {
      readable = (format_flags & 0xC0) == 0;
    }
    const FrameName* known = nullptr;
    for (const FrameName& name : kFrames) {
      if (id == (version == 2 ? name.v22 : name.v23)) known = &name;
    }
    // 2.4 keeps the year in a date; the release date stands in for a
    // missing recording date.
    const bool year_v24 = version == 4 && (id == "TDRC" || (id == "TDRL" && !have_date));
    if (readable && (known != nullptr || year_v24) && !data.empty()) {
      const auto encoding = static_cast<unsigned char>(data[0]);
      std::string_view rest = std::string_view(data).substr(1);
      if (year_v24) {
        content.fields[TID3Tag::kV2Year] = DecodeText(rest, encoding).substr(0, 4);
        have_date = id == "TDRC";
      } else if (known->field == TID3Tag::kV2Comment) {
        if (rest.size() < 3) continue;
        rest.remove_prefix(3);
        const auto [description_end, text_start] = StringEnd(rest, encoding);
        const bool plain = DecodeText(rest.substr(0, description_end), encoding).empty();
        // The comment without a description is the comment; described
        // ones (players' own notes) stay frames of their own.
        if (have_comment && (comment_plain || !plain)) {
          content.other_frames.push_back(Frame("COMM", data));
          continue;
        }
        if (!provisional_comment.empty()) content.other_frames.push_back(std::move(provisional_comment));
        provisional_comment = plain ? std::string() : Frame("COMM", data);
        content.fields[TID3Tag::kV2Comment] = DecodeText(rest.substr(text_start), encoding);
        have_comment = true;
        comment_plain = plain;
      } else if (known->field == TID3Tag::kV2URL) {
        const auto [description_end, url_start] = StringEnd(rest, encoding);
        // Without a terminator the bytes after the encoding are the address.
        const std::string_view url = url_start >= rest.size() && description_end == rest.size()
                                         ? rest
                                         : rest.substr(std::min(url_start, rest.size()));
        content.fields[TID3Tag::kV2URL] = std::string(url.substr(0, std::min(url.find('\0'), url.size())));
      } else {
        std::string text = DecodeText(rest, encoding);
        if (known->field == TID3Tag::kV2Genre) text = GenreText(std::move(text));
        content.fields[known->field] = std::move(text);
      }
      continue;
    }
    // Other frames go on as 2.3 frames; 2.2 identifiers have no 2.3
    // spelling here, and 2.4 frames that need their 2.4 flags are dropped.
    if (version == 3) {
      content.other_frames.emplace_back(head);
      content.other_frames.back() += data;
    } else if (version == 4 && readable && (format_flags & 0x40) == 0) {
      content.other_frames.push_back(Frame(id, data));
    }
  }
  content.valid = true;
  return content;
}

std::string BuildId3v2(const std::array<std::string, TID3Tag::kV2FieldCount>& fields,
                       const std::vector<std::string>& other_frames, std::uint64_t min_size) {
  // Described comments stand in for a missing plain one when read: an
  // empty comment is written out then, so that it reads back empty.
  const bool other_comments = std::any_of(other_frames.begin(), other_frames.end(),
                                          [](const std::string& frame) { return frame.starts_with("COMM"); });
  std::string frames;
  for (const FrameName& name : kFrames) {
    const std::string& value = fields[name.field];
    if (value.empty() && !(name.field == TID3Tag::kV2Comment && other_comments)) continue;
    if (name.field == TID3Tag::kV2URL) {
      // An empty description with its terminator, then the address.
      frames += Frame(name.v23, std::string(2, '\0') + value);
    } else if (name.field == TID3Tag::kV2Comment) {
      const auto [encoding, text] = EncodeText(value);
      frames += Frame(name.v23, std::string(1, encoding) + "eng" + Terminator(encoding) + text);
    } else {
      const auto [encoding, text] = EncodeText(value);
      frames += Frame(name.v23, std::string(1, encoding) + text);
    }
  }
  for (const std::string& frame : other_frames) frames += frame;
  const std::uint64_t body = std::max<std::uint64_t>(frames.size(), min_size > 10 ? min_size - 10 : 0);
  std::string tag = "ID3\3";
  tag.append(2, '\0');
  PutSyncsafe(tag, static_cast<std::uint32_t>(body));
  tag += frames;
  tag.resize(static_cast<std::size_t>(10 + body), '\0');
  return tag;
}

bool TID3Tag::ReadID3v2() {
  v2_ = {};
  v2_changed_ = false;
  UniqueFd fd = OpenRegular(FileName, O_RDONLY);
  if (!fd.Valid()) return false;
  const std::uint64_t size = *FileSize(fd.Get());
  std::string header;
  if (!ReadAt(fd.Get(), 0, 10, header)) return false;
  const Id3v2Layout layout = ParseId3v2Header(header);
  if (!layout.present) return false;
  std::string tag;
  ReadAt(fd.Get(), 0, static_cast<std::size_t>(std::min(layout.total, size)), tag);
  Id3v2Content content = ParseId3v2(tag);
  if (!content.valid) return false;
  v2_ = std::move(content.fields);
  return true;
}

bool TID3Tag::WriteID3v2() {
  if (!v2_changed_) return false;
  v2_changed_ = false;
  UniqueFd fd = OpenRegular(FileName, O_RDWR);
  if (!fd.Valid()) return false;
  const std::uint64_t size = *FileSize(fd.Get());
  std::string header;
  ReadAt(fd.Get(), 0, 10, header);
  const Id3v2Layout layout = ParseId3v2Header(header);
  // A header that claims more than the file holds is not this writer's to
  // fix: the audio's place is unknown.
  if (layout.present && layout.total > size) return false;
  std::vector<std::string> others;
  if (layout.present) {
    std::string tag;
    if (!ReadAt(fd.Get(), 0, static_cast<std::size_t>(layout.total), tag)) return false;
    others = ParseId3v2(tag).other_frames;
  }
  const std::string fitted = BuildId3v2(v2_, others, 0);
  if (layout.present && fitted.size() <= layout.total) {
    // The tag fits where the old one was: padded to its end, the audio stays.
    return WriteAt(fd.Get(), 0, BuildId3v2(v2_, others, layout.total));
  }
  return ReplaceHead(FileName, fd.Get(), layout.present ? layout.total : 0, fitted);
}

bool TID3Tag::DeleteID3v2() {
  UniqueFd fd = OpenRegular(FileName, O_RDONLY);
  if (!fd.Valid()) return false;
  const std::uint64_t size = *FileSize(fd.Get());
  std::string header;
  ReadAt(fd.Get(), 0, 10, header);
  const Id3v2Layout layout = ParseId3v2Header(header);
  if (!layout.present || layout.total > size) return false;
  return ReplaceHead(FileName, fd.Get(), layout.total, {});
}

}  // namespace tazmel
