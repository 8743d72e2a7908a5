#include "stations/text_table.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <limits>

#include "core/file_utils.h"
#include "core/text_utils.h"

namespace fs = std::filesystem;

namespace tazmel {
namespace {

static_assert(std::endian::native == std::endian::little, "index files are read and written as host integers");

constexpr std::size_t kMoveBuffer = 2048;
// Offsets are 32-bit, so no text file of a table can be larger.
constexpr std::int64_t kMaxTextBytes = std::numeric_limits<std::int32_t>::max();
// An index file larger than this cannot belong to a text file within the limit.
constexpr std::int64_t kMaxIndexBytes = 8 * (kMaxTextBytes / 2) + 16;
constexpr char kCrLf[] = "\r\n";

std::int32_t LoadInt32(const char* p) {
  std::int32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// A descriptor closed on scope exit.
struct Fd {
  int fd;
  explicit Fd(int value) : fd(value) {}
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
};

bool PreadAll(int fd, char* data, std::size_t size, std::int64_t offset) {
  while (size > 0) {
    ssize_t n = ::pread(fd, data, size, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
    offset += n;
  }
  return true;
}

bool PwriteAll(int fd, const char* data, std::size_t size, std::int64_t offset) {
  while (size > 0) {
    ssize_t n = ::pwrite(fd, data, size, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
    offset += n;
  }
  return true;
}

std::optional<std::int64_t> SizeOf(int fd) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return std::nullopt;
  return static_cast<std::int64_t>(info.st_size);
}

// Moves bytes [from, size) by `delta` inside the file through a small buffer,
// back to front when growing so nothing is overwritten before it is read.
bool MoveTail(int fd, std::int64_t from, std::int64_t size, std::int64_t delta) {
  char buffer[kMoveBuffer];
  if (delta > 0) {
    for (std::int64_t end = size; end > from;) {
      const std::int64_t chunk = std::min<std::int64_t>(kMoveBuffer, end - from);
      end -= chunk;
      if (!PreadAll(fd, buffer, chunk, end) || !PwriteAll(fd, buffer, chunk, end + delta)) return false;
    }
  } else if (delta < 0) {
    for (std::int64_t pos = from; pos < size;) {
      const std::int64_t chunk = std::min<std::int64_t>(kMoveBuffer, size - pos);
      if (!PreadAll(fd, buffer, chunk, pos) || !PwriteAll(fd, buffer, chunk, pos + delta)) return false;
      pos += chunk;
    }
  }
  return true;
}

// Calls `line(text)` for every line the way a table file is read as text:
// CR LF, LF and a lone CR all end a line, and a last line without an end
// still counts.
template <typename F>
void ForEachTextLine(std::string_view text, F&& line) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = text.find_first_of("\r\n", pos);
    if (end == text.npos) {
      line(text.substr(pos));
      return;
    }
    line(text.substr(pos, end - pos));
    pos = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
}

}  // namespace

// ---- IndexFile ----

bool TTextTable::IndexFile::Refresh() {
  if (fd < 0) return false;
  struct stat info {};
  if (::fstat(fd, &info) != 0) return false;
  const std::uint64_t now[4] = {static_cast<std::uint64_t>(info.st_ino), static_cast<std::uint64_t>(info.st_size),
                                static_cast<std::uint64_t>(info.st_mtim.tv_sec),
                                static_cast<std::uint64_t>(info.st_mtim.tv_nsec)};
  if (loaded && std::equal(std::begin(now), std::end(now), std::begin(signature))) return true;
  loaded = false;
  if (info.st_size > kMaxIndexBytes) return false;
  bytes.resize(static_cast<std::size_t>(info.st_size));
  if (!bytes.empty() && !PreadAll(fd, bytes.data(), bytes.size(), 0)) return false;
  std::copy(std::begin(now), std::end(now), std::begin(signature));
  loaded = true;
  return true;
}

bool TTextTable::IndexFile::WriteAt(std::size_t offset, const void* data, std::size_t size) {
  if (!PwriteAll(fd, static_cast<const char*>(data), size, static_cast<std::int64_t>(offset))) {
    loaded = false;
    return false;
  }
  if (bytes.size() < offset + size) bytes.resize(offset + size);
  std::memcpy(bytes.data() + offset, data, size);
  return true;
}

bool TTextTable::IndexFile::Truncate(std::size_t size) {
  if (::ftruncate(fd, static_cast<off_t>(size)) != 0) {
    loaded = false;
    return false;
  }
  bytes.resize(size);
  // Our own writes are in the cache already; take the file's new identity.
  struct stat info {};
  if (::fstat(fd, &info) != 0) return loaded = false;
  signature[0] = static_cast<std::uint64_t>(info.st_ino);
  signature[1] = static_cast<std::uint64_t>(info.st_size);
  signature[2] = static_cast<std::uint64_t>(info.st_mtim.tv_sec);
  signature[3] = static_cast<std::uint64_t>(info.st_mtim.tv_nsec);
  return true;
}

void TTextTable::IndexFile::Close() {
  if (fd >= 0) ::close(fd);
  fd = -1;
  bytes.clear();
  loaded = false;
}

// ---- TTextTable ----

TTextTable::TTextTable() = default;

TTextTable::~TTextTable() { Close(); }

void TTextTable::SetActive(bool active) {
  if (active) {
    Open();
  } else {
    Close();
  }
}

bool TTextTable::Open() {
  if (Active()) return true;
  if (table_name_.empty()) return false;
  std::error_code ec;
  if (!fs::exists(table_name_, ec)) {
    Fd created(::open(table_name_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    if (created.fd < 0) return false;
  }
  const fs::path idp = OffsetIndexPath();
  const fs::path idi = KeyIndexPath();
  if (!fs::exists(idp, ec) || !fs::exists(idi, ec)) {
    for (const fs::path& index : {idp, idi}) {
      Fd created(::open(index.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
      if (created.fd < 0) return false;
    }
  }
  idp_.fd = ::open(idp.c_str(), O_RDWR | O_CLOEXEC);
  idi_.fd = ::open(idi.c_str(), O_RDWR | O_CLOEXEC);
  if (idp_.fd < 0 || idi_.fd < 0) {
    Close();
    return false;
  }
  return true;
}

void TTextTable::Close() {
  idp_.Close();
  idi_.Close();
}

void TTextTable::SetTableName(const fs::path& name) {
  if (name == table_name_) return;
  Close();
  table_name_ = name;
}

fs::path TTextTable::OffsetIndexPath() const {
  fs::path p = table_name_;
  return p.replace_extension(".idp");
}

fs::path TTextTable::KeyIndexPath() const {
  fs::path p = table_name_;
  return p.replace_extension(".idi");
}

std::optional<std::uint64_t> TTextTable::FileTime(const fs::path& file) {
  struct stat info {};
  if (::stat(file.c_str(), &info) != 0) return std::nullopt;
  constexpr std::uint64_t kSecondsFrom1601To1970 = 11644473600ULL;
  return (static_cast<std::uint64_t>(info.st_mtim.tv_sec) + kSecondsFrom1601To1970) * 10000000ULL +
         static_cast<std::uint64_t>(info.st_mtim.tv_nsec) / 100;
}

int TTextTable::RecordKey(std::string_view line) {
  const std::size_t tab = line.find('\t');
  if (tab == line.npos) return 0;
  return ParseInteger(line.substr(0, tab)).value_or(0);
}

bool TTextTable::Ready() { return Active() && CheckIndex() && idp_.Refresh() && idi_.Refresh(); }

int TTextTable::RecordCount() {
  if (!Ready()) return 0;
  return static_cast<int>((static_cast<std::int64_t>(idp_.bytes.size()) - 12) / 4);
}

bool TTextTable::CheckIndex() {
  if (!need_check_index_) return true;
  if (!Active() || !idp_.Refresh()) return false;
  const std::int64_t size = static_cast<std::int64_t>(idp_.bytes.size());
  if (size >= 12) {
    std::uint64_t stored;
    std::memcpy(&stored, idp_.bytes.data() + size - 8, sizeof stored);
    if (FileTime(table_name_) == stored) return true;
  }
  return NormaliseText() && RebuildIndex();
}

bool TTextTable::NormaliseText() {
  std::optional<std::string> text = ReadWholeFile(table_name_, kMaxTextBytes);
  if (!text) return false;
  std::string normal;
  normal.reserve(text->size() + text->size() / 32);
  ForEachTextLine(*text, [&](std::string_view line) {
    normal += line;
    normal += kCrLf;
  });
  return normal == *text || WriteFileAtomically(table_name_, normal);
}

bool TTextTable::RebuildIndex() {
  if (!Active()) return false;
  std::optional<std::string> text = ReadWholeFile(table_name_, kMaxTextBytes);
  if (!text) return false;
  std::vector<std::int32_t> offsets{0};
  std::vector<KeyPair> keys;
  std::int64_t offset = 0;
  bool fits = true;
  ForEachTextLine(*text, [&](std::string_view line) {
    offset += static_cast<std::int64_t>(line.size()) + 2;
    if (offset > kMaxTextBytes) fits = false;
    keys.push_back({RecordKey(line), static_cast<std::int32_t>(offsets.size())});
    offsets.push_back(static_cast<std::int32_t>(offset));
  });
  if (!fits) return false;
  std::stable_sort(keys.begin(), keys.end(), KeyLess);
  return StoreOffsets(offsets, 0) && StoreKeys(keys, 0);
}

bool TTextTable::EditableOffsets(std::vector<std::int32_t>& offsets) {
  if (!Ready()) return false;
  const std::int64_t size = static_cast<std::int64_t>(idp_.bytes.size());
  if (size < 12) return false;
  const std::size_t entries = static_cast<std::size_t>((size - 12) / 4) + 1;
  offsets.resize(entries);
  std::memcpy(offsets.data(), idp_.bytes.data(), entries * 4);
  std::error_code ec;
  const std::uintmax_t text_size = fs::file_size(table_name_, ec);
  return !ec && OffsetsValid(offsets, static_cast<std::int64_t>(text_size));
}

std::vector<TTextTable::KeyPair> TTextTable::LoadKeys() {
  std::vector<KeyPair> keys(idi_.bytes.size() / sizeof(KeyPair));
  if (!keys.empty()) std::memcpy(keys.data(), idi_.bytes.data(), keys.size() * sizeof(KeyPair));
  return keys;
}

bool TTextTable::StoreOffsets(const std::vector<std::int32_t>& offsets, std::size_t first_changed) {
  const std::optional<std::uint64_t> time = FileTime(table_name_);
  if (!time) return false;
  std::vector<char> tail((offsets.size() - first_changed) * 4 + sizeof *time);
  std::memcpy(tail.data(), offsets.data() + first_changed, (offsets.size() - first_changed) * 4);
  std::memcpy(tail.data() + tail.size() - sizeof *time, &*time, sizeof *time);
  return idp_.WriteAt(first_changed * 4, tail.data(), tail.size()) && idp_.Truncate(offsets.size() * 4 + 8);
}

bool TTextTable::StoreKeys(const std::vector<KeyPair>& keys, std::size_t first_changed) {
  const std::size_t bytes = (keys.size() - std::min(first_changed, keys.size())) * sizeof(KeyPair);
  if (bytes > 0 && !idi_.WriteAt(first_changed * sizeof(KeyPair), keys.data() + first_changed, bytes)) return false;
  return idi_.Truncate(keys.size() * sizeof(KeyPair));
}

bool TTextTable::OffsetsValid(const std::vector<std::int32_t>& offsets, std::int64_t text_size) {
  if (offsets.empty() || offsets.front() != 0 || offsets.back() != text_size) return false;
  for (std::size_t i = 1; i < offsets.size(); ++i) {
    if (offsets[i] < offsets[i - 1] + 2) return false;
  }
  return true;
}

bool TTextTable::SpliceText(std::int64_t start, std::int64_t end, std::string_view text) {
  Fd fd(::open(table_name_.c_str(), O_RDWR | O_CLOEXEC));
  if (fd.fd < 0) return false;
  const std::optional<std::int64_t> size = SizeOf(fd.fd);
  if (!size || start < 0 || start > end || end > *size) return false;
  const std::int64_t delta = static_cast<std::int64_t>(text.size()) - (end - start);
  if (*size + delta > kMaxTextBytes) return false;
  if (delta > 0 && !MoveTail(fd.fd, end, *size, delta)) return false;
  if (!PwriteAll(fd.fd, text.data(), text.size(), start)) return false;
  if (delta < 0 && (!MoveTail(fd.fd, end, *size, delta) || ::ftruncate(fd.fd, *size + delta) != 0)) return false;
  return ::close(std::exchange(fd.fd, -1)) == 0;
}

std::size_t TTextTable::FindPair(const std::vector<KeyPair>& keys, std::int32_t key, std::int32_t record) {
  auto [first, last] = std::equal_range(keys.begin(), keys.end(), KeyPair{key, 0}, KeyLess);
  auto it = std::find_if(first, last, [&](const KeyPair& p) { return p.record == record; });
  // A damaged index may hold the pair out of place.
  if (it == last) it = std::find_if(keys.begin(), keys.end(), [&](const KeyPair& p) { return p.record == record; });
  return static_cast<std::size_t>(it - keys.begin());
}

std::string TTextTable::ReadRecord(int record) {
  if (!Ready()) return {};
  const std::int64_t entries = (static_cast<std::int64_t>(idp_.bytes.size()) - 12) / 4 + 1;
  if (record < 1 || record >= entries) return {};
  const std::int64_t start = LoadInt32(idp_.bytes.data() + 4 * (record - 1));
  const std::int64_t end = LoadInt32(idp_.bytes.data() + 4 * record);
  if (start < 0 || end < start + 2) return {};
  Fd fd(::open(table_name_.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.fd < 0) return {};
  const std::optional<std::int64_t> size = SizeOf(fd.fd);
  if (!size || end > *size) return {};
  std::string line(static_cast<std::size_t>(end - start - 2), '\0');
  if (!line.empty() && !PreadAll(fd.fd, line.data(), line.size(), start)) return {};
  return line;
}

bool TTextTable::UpdateRecord(int record, std::string_view line) {
  std::vector<std::int32_t> offsets;
  if (!EditableOffsets(offsets)) return false;
  if (record < 1 || static_cast<std::size_t>(record) >= offsets.size()) return false;
  const std::int32_t old_key = RecordKey(ReadRecord(record));
  const std::int64_t start = offsets[record - 1];
  const std::int64_t end = offsets[record];
  const std::string text = std::string(line) + kCrLf;
  if (!SpliceText(start, end, text)) return false;
  const std::int64_t delta = static_cast<std::int64_t>(text.size()) - (end - start);
  for (std::size_t i = static_cast<std::size_t>(record); i < offsets.size(); ++i) {
    offsets[i] = static_cast<std::int32_t>(offsets[i] + delta);
  }
  if (!StoreOffsets(offsets, delta == 0 ? offsets.size() : static_cast<std::size_t>(record))) return false;

  const std::int32_t new_key = RecordKey(line);
  if (new_key == old_key) return true;
  std::vector<KeyPair> keys = LoadKeys();
  std::size_t changed = FindPair(keys, old_key, record);
  if (changed < keys.size()) keys.erase(keys.begin() + static_cast<std::ptrdiff_t>(changed));
  auto at = std::upper_bound(keys.begin(), keys.end(), KeyPair{new_key, 0}, KeyLess);
  changed = std::min(changed, static_cast<std::size_t>(at - keys.begin()));
  keys.insert(at, KeyPair{new_key, record});
  return StoreKeys(keys, changed);
}

bool TTextTable::InsertRecord(int record, std::string_view line) {
  std::vector<std::int32_t> offsets;
  if (!EditableOffsets(offsets)) return false;
  if (record < 1 || static_cast<std::size_t>(record) > offsets.size()) return false;
  const std::string text = std::string(line) + kCrLf;
  const std::int64_t start = offsets[record - 1];
  if (!SpliceText(start, start, text)) return false;
  offsets.insert(offsets.begin() + record, offsets[record - 1]);
  for (std::size_t i = static_cast<std::size_t>(record); i < offsets.size(); ++i) {
    offsets[i] = static_cast<std::int32_t>(offsets[i] + static_cast<std::int64_t>(text.size()));
  }
  if (!StoreOffsets(offsets, static_cast<std::size_t>(record))) return false;

  std::vector<KeyPair> keys = LoadKeys();
  std::size_t first_changed = keys.size();
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (keys[i].record >= record) {
      ++keys[i].record;
      first_changed = std::min(first_changed, i);
    }
  }
  const std::int32_t key = RecordKey(line);
  auto at = std::upper_bound(keys.begin(), keys.end(), KeyPair{key, 0}, KeyLess);
  first_changed = std::min(first_changed, static_cast<std::size_t>(at - keys.begin()));
  keys.insert(at, KeyPair{key, record});
  return StoreKeys(keys, first_changed);
}

bool TTextTable::AppendRecord(std::string_view line) {
  if (!Ready()) return false;
  const std::int64_t entries = (static_cast<std::int64_t>(idp_.bytes.size()) - 12) / 4 + 1;
  if (entries < 1) return false;
  return InsertRecord(static_cast<int>(entries), line);
}

bool TTextTable::DeleteRecord(int record) {
  std::vector<std::int32_t> offsets;
  if (!EditableOffsets(offsets)) return false;
  if (record < 1 || static_cast<std::size_t>(record) >= offsets.size()) return false;
  const std::int32_t old_key = RecordKey(ReadRecord(record));
  const std::int64_t start = offsets[record - 1];
  const std::int64_t removed = offsets[record] - start;
  if (!SpliceText(start, start + removed, "")) return false;
  offsets.erase(offsets.begin() + record);
  for (std::size_t i = static_cast<std::size_t>(record); i < offsets.size(); ++i) {
    offsets[i] = static_cast<std::int32_t>(offsets[i] - removed);
  }
  if (!StoreOffsets(offsets, static_cast<std::size_t>(record))) return false;

  std::vector<KeyPair> keys = LoadKeys();
  std::size_t first_changed = FindPair(keys, old_key, record);
  if (first_changed < keys.size()) keys.erase(keys.begin() + static_cast<std::ptrdiff_t>(first_changed));
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (keys[i].record > record) {
      --keys[i].record;
      first_changed = std::min(first_changed, i);
    }
  }
  return StoreKeys(keys, first_changed);
}

int TTextTable::FindRecNo(int id) {
  if (!Ready()) return -1;
  const char* pairs = idi_.bytes.data();
  std::int64_t low = 0;
  std::int64_t high = static_cast<std::int64_t>(idi_.bytes.size() / sizeof(KeyPair)) - 1;
  while (low <= high) {
    const std::int64_t mid = (low + high) / 2;
    const std::int32_t key = LoadInt32(pairs + mid * sizeof(KeyPair));
    if (key == id) return LoadInt32(pairs + mid * sizeof(KeyPair) + 4);
    if (key < id) {
      low = mid + 1;
    } else {
      high = mid - 1;
    }
  }
  return -1;
}

std::string TTextTable::ReadByID(int id) {
  const int record = FindRecNo(id);
  return record < 0 ? std::string() : ReadRecord(record);
}

bool TTextTable::UpdateByID(int id, std::string_view line) {
  const int record = FindRecNo(id);
  return record >= 0 && UpdateRecord(record, line);
}

int TTextTable::NewID(int start) {
  if (!Ready()) return -1;
  // Keys at or below `start` belong to another range and are skipped, so a
  // stray small key cannot pull the result below start + 1.
  std::int64_t v = start;
  for (const KeyPair& p : LoadKeys()) {
    if (p.key <= start) continue;
    if (p.key - v > 1) break;
    v = p.key;
  }
  return v >= std::numeric_limits<int>::max() ? -1 : static_cast<int>(v + 1);
}

namespace {

std::string IndexPath(const fs::path& table, const char* extension) {
  fs::path p = table;
  return p.replace_extension(extension).string();
}

std::string Bytes(const void* data, std::size_t size) { return std::string(static_cast<const char*>(data), size); }

}  // namespace

bool WriteTextTable(const fs::path& table, const std::vector<std::string>& lines) {
  std::string text;
  std::vector<std::int32_t> offsets{0};
  struct Pair {
    std::int32_t key, record;
  };
  std::vector<Pair> keys;
  for (const std::string& line : lines) {
    text += line;
    text += kCrLf;
    if (static_cast<std::int64_t>(text.size()) > kMaxTextBytes) return false;
    offsets.push_back(static_cast<std::int32_t>(text.size()));
    keys.push_back({TTextTable::RecordKey(line), static_cast<std::int32_t>(keys.size() + 1)});
  }
  std::stable_sort(keys.begin(), keys.end(), [](const Pair& a, const Pair& b) { return a.key < b.key; });

  const fs::path temp_text = table.string() + ".new";
  const fs::path temp_idp = IndexPath(table, ".idp") + ".new";
  const fs::path temp_idi = IndexPath(table, ".idi") + ".new";
  auto cleanup = [&] {
    std::error_code ec;
    for (const fs::path& p : {temp_text, temp_idp, temp_idi}) fs::remove(p, ec);
    return false;
  };
  if (!WriteFileAtomically(temp_text, text)) return cleanup();
  // The stored time is that of the text file, which keeps it across rename.
  const std::optional<std::uint64_t> time = TTextTable::FileTime(temp_text);
  if (!time) return cleanup();
  std::string idp = Bytes(offsets.data(), offsets.size() * 4) + Bytes(&*time, sizeof *time);
  if (!WriteFileAtomically(temp_idp, idp) ||
      !WriteFileAtomically(temp_idi, Bytes(keys.data(), keys.size() * sizeof(Pair)))) {
    return cleanup();
  }
  std::error_code ec;
  fs::rename(temp_idi, IndexPath(table, ".idi"), ec);
  if (!ec) fs::rename(temp_idp, IndexPath(table, ".idp"), ec);
  if (!ec) fs::rename(temp_text, table, ec);
  return ec ? cleanup() : true;
}

std::string VerifyTextTable(const fs::path& table, bool scrambled) {
  const std::optional<std::string> text = ReadWholeFile(table, kMaxTextBytes);
  if (!text) return "cannot read " + table.string();
  const std::optional<std::string> idp = ReadWholeFile(IndexPath(table, ".idp"), kMaxIndexBytes);
  const std::optional<std::string> idi = ReadWholeFile(IndexPath(table, ".idi"), kMaxIndexBytes);
  if (!idp) return "cannot read " + IndexPath(table, ".idp");
  if (!idi) return "cannot read " + IndexPath(table, ".idi");
  if (idp->size() < 12 || idp->size() % 4 != 0) {
    return "offset index has " + std::to_string(idp->size()) + " bytes, not 4 * N + 12";
  }
  const std::size_t count = (idp->size() - 12) / 4;
  std::vector<std::string_view> records;
  std::int64_t previous = 0;
  for (std::size_t k = 0; k <= count; ++k) {
    const std::int64_t offset = LoadInt32(idp->data() + 4 * k);
    if (k == 0 && offset != 0) return "offset entry 0 is " + std::to_string(offset) + ", not 0";
    if (k > 0) {
      if (offset < previous + 2 || offset > static_cast<std::int64_t>(text->size())) {
        return "offset entry " + std::to_string(k) + " (" + std::to_string(offset) + ") is out of place";
      }
      std::string_view record(text->data() + previous, static_cast<std::size_t>(offset - previous));
      if (record.substr(record.size() - 2) != kCrLf) return "record " + std::to_string(k) + " does not end in CR LF";
      records.push_back(record.substr(0, record.size() - 2));
    }
    previous = offset;
  }
  if (previous != static_cast<std::int64_t>(text->size())) {
    return "last offset " + std::to_string(previous) + " differs from the text size " + std::to_string(text->size());
  }
  if (!scrambled) {
    std::size_t line = 0;
    std::string mismatch;
    ForEachTextLine(*text, [&](std::string_view l) {
      if (mismatch.empty() && (line >= records.size() || records[line] != l)) {
        mismatch = "line " + std::to_string(line + 1) + " does not match its offsets";
      }
      ++line;
    });
    if (!mismatch.empty()) return mismatch;
    if (line != records.size())
      return "the text has " + std::to_string(line) + " lines, the index " + std::to_string(records.size());
    const std::optional<std::uint64_t> time = TTextTable::FileTime(table);
    std::uint64_t stored;
    std::memcpy(&stored, idp->data() + idp->size() - 8, sizeof stored);
    if (time != stored) return "stored file time differs from the text file's (the index is stale)";
  }
  if (idi->size() != 8 * count) {
    return "key index has " + std::to_string(idi->size() / 8) + " pairs for " + std::to_string(count) + " records";
  }
  std::vector<bool> seen(count + 1, false);
  std::int64_t last_key = std::numeric_limits<std::int64_t>::min();
  for (std::size_t i = 0; i < count; ++i) {
    const std::int32_t key = LoadInt32(idi->data() + 8 * i);
    const std::int32_t record = LoadInt32(idi->data() + 8 * i + 4);
    if (key < last_key) return "key pair " + std::to_string(i + 1) + " is out of order";
    last_key = key;
    if (record < 1 || static_cast<std::size_t>(record) > count || seen[record]) {
      return "key pair " + std::to_string(i + 1) + " names record " + std::to_string(record) + " wrongly";
    }
    seen[record] = true;
    if (TTextTable::RecordKey(records[record - 1]) != key) {
      return "key pair " + std::to_string(i + 1) + " gives key " + std::to_string(key) + " for record " +
             std::to_string(record) + " whose key is " + std::to_string(TTextTable::RecordKey(records[record - 1]));
    }
  }
  return {};
}

}  // namespace tazmel
