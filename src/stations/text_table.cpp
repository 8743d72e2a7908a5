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
#include "core/unique_fd.h"

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

// Runs pread or pwrite until all `size` bytes are through.
template <typename Transfer, typename Byte>
bool TransferAll(Transfer transfer, int fd, Byte* data, std::size_t size, std::int64_t offset) {
  while (size > 0) {
    ssize_t n = transfer(fd, data, size, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
    offset += n;
  }
  return true;
}

bool PreadAll(int fd, char* data, std::size_t size, std::int64_t offset) {
  return TransferAll(::pread, fd, data, size, offset);
}

bool PwriteAll(int fd, const char* data, std::size_t size, std::int64_t offset) {
  return TransferAll(::pwrite, fd, data, size, offset);
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

std::uint64_t TicksSince1601(const struct timespec& t) {
  constexpr std::uint64_t kSecondsFrom1601To1970 = 11644473600ULL;
  return (static_cast<std::uint64_t>(t.tv_sec) + kSecondsFrom1601To1970) * 10000000ULL +
         static_cast<std::uint64_t>(t.tv_nsec) / 100;
}

fs::path IndexPathOf(const fs::path& table, const char* extension) {
  fs::path p = table;
  return p.replace_extension(extension);
}

bool HasLineBreak(std::string_view line) { return line.find_first_of(kCrLf) != line.npos; }

}  // namespace

// ---- IndexFile ----

void TTextTable::IndexFile::TakeSignature(const struct stat& info) {
  signature[0] = static_cast<std::uint64_t>(info.st_ino);
  signature[1] = static_cast<std::uint64_t>(info.st_size);
  signature[2] = static_cast<std::uint64_t>(info.st_mtim.tv_sec);
  signature[3] = static_cast<std::uint64_t>(info.st_mtim.tv_nsec);
}

bool TTextTable::IndexFile::IsCurrent() const {
  struct stat info {};
  if (!loaded || !fd.Valid() || ::fstat(fd.Get(), &info) != 0) return false;
  return signature[0] == static_cast<std::uint64_t>(info.st_ino) &&
         signature[1] == static_cast<std::uint64_t>(info.st_size) &&
         signature[2] == static_cast<std::uint64_t>(info.st_mtim.tv_sec) &&
         signature[3] == static_cast<std::uint64_t>(info.st_mtim.tv_nsec);
}

bool TTextTable::IndexFile::Refresh(std::int64_t max_bytes) {
  if (!fd.Valid()) return false;
  struct stat info {};
  if (::fstat(fd.Get(), &info) != 0) return false;
  const std::uint64_t before[4] = {signature[0], signature[1], signature[2], signature[3]};
  TakeSignature(info);
  if (loaded && std::equal(std::begin(before), std::end(before), std::begin(signature))) return true;
  loaded = false;
  // An index far larger than its text file could need is damage, not data.
  if (info.st_size > max_bytes) return false;
  try {
    bytes.resize(static_cast<std::size_t>(info.st_size));
  } catch (const std::bad_alloc&) {
    bytes.clear();
    return false;
  }
  if (!bytes.empty() && !PreadAll(fd.Get(), bytes.data(), bytes.size(), 0)) return false;
  loaded = true;
  return true;
}

bool TTextTable::IndexFile::WriteAt(std::size_t offset, const void* data, std::size_t size) {
  if (!PwriteAll(fd.Get(), static_cast<const char*>(data), size, static_cast<std::int64_t>(offset))) {
    loaded = false;
    return false;
  }
  if (bytes.size() < offset + size) bytes.resize(offset + size);
  std::memcpy(bytes.data() + offset, data, size);
  return TakeFileIdentity();
}

bool TTextTable::IndexFile::Truncate(std::size_t size) {
  if (::ftruncate(fd.Get(), static_cast<off_t>(size)) != 0) {
    loaded = false;
    return false;
  }
  bytes.resize(size);
  return TakeFileIdentity();
}

bool TTextTable::IndexFile::TakeFileIdentity() {
  // Our own writes are in the cache already; only the identity is new.
  struct stat info {};
  if (::fstat(fd.Get(), &info) != 0) return loaded = false;
  TakeSignature(info);
  return true;
}

void TTextTable::IndexFile::Close() {
  fd.Close();
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
  if (!fs::exists(table_name_, ec) && !UniqueFd(table_name_.c_str(), O_WRONLY | O_CREAT, 0644).Valid()) return false;
  const fs::path idp = OffsetIndexPath();
  const fs::path idi = KeyIndexPath();
  if (!fs::exists(idp, ec) || !fs::exists(idi, ec)) {
    for (const fs::path& index : {idp, idi}) {
      if (!UniqueFd(index.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644).Valid()) return false;
    }
  }
  idp_.fd = UniqueFd(idp.c_str(), O_RDWR);
  idi_.fd = UniqueFd(idi.c_str(), O_RDWR);
  if (!idp_.fd.Valid() || !idi_.fd.Valid()) {
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

fs::path TTextTable::OffsetIndexPath() const { return IndexPathOf(table_name_, ".idp"); }

fs::path TTextTable::KeyIndexPath() const { return IndexPathOf(table_name_, ".idi"); }

std::optional<std::uint64_t> TTextTable::FileTime(const fs::path& file) {
  struct stat info {};
  if (::stat(file.c_str(), &info) != 0) return std::nullopt;
  return TicksSince1601(info.st_mtim);
}

std::optional<TTextTable::TextState> TTextTable::TextFileState() const {
  struct stat info {};
  if (::stat(table_name_.c_str(), &info) != 0) return std::nullopt;
  return TextState{static_cast<std::int64_t>(info.st_size), TicksSince1601(info.st_mtim)};
}

int TTextTable::RecordKey(std::string_view line) {
  const std::size_t tab = line.find('\t');
  if (tab == line.npos) return 0;
  return ParseInteger(line.substr(0, tab)).value_or(0);
}

bool TTextTable::RefreshIndexes() {
  if (idp_.IsCurrent() && idi_.IsCurrent()) return true;
  // Every line takes at least its 2-byte line end, which bounds both files.
  const std::optional<TextState> text = TextFileState();
  if (!text) return false;
  const std::int64_t max_records = text->size / 2 + 1;
  return idp_.Refresh(4 * (max_records + 1) + 8) && idi_.Refresh(8 * max_records);
}

bool TTextTable::Ready() {
  // A checked table's index check refreshes the index files already.
  return Active() && (need_check_index_ ? CheckIndex() : RefreshIndexes());
}

int TTextTable::RecordCount() {
  if (!Ready()) return 0;
  return static_cast<int>((static_cast<std::int64_t>(idp_.bytes.size()) - 12) / 4);
}

bool TTextTable::CheckIndex() {
  if (!need_check_index_) return true;
  if (!Active()) return false;
  const std::optional<TextState> text = TextFileState();
  if (!text) return false;
  if (RefreshIndexes()) {
    const std::int64_t size = static_cast<std::int64_t>(idp_.bytes.size());
    if (size >= 12) {
      std::uint64_t stored;
      std::memcpy(&stored, idp_.bytes.data() + size - 8, sizeof stored);
      // The size check catches an edit by someone else within the same
      // clock tick as the last stamp.
      const std::int64_t last_offset = LoadInt32(idp_.bytes.data() + size - 12);
      if (stored == text->time && last_offset == text->size) return true;
    }
  }
  return NormaliseText() && RebuildIndex();
}

bool TTextTable::NormaliseText() {
  std::optional<std::string> text = ReadWholeFile(table_name_, kMaxTextBytes);
  if (!text) return false;
  std::string normal;
  normal.reserve(text->size() + text->size() / 32);
  ForEachLine(*text, [&](std::string_view line) {
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
  ForEachLine(*text, [&](std::string_view line) {
    offset += static_cast<std::int64_t>(line.size()) + 2;
    if (offset > kMaxTextBytes) fits = false;
    keys.push_back({RecordKey(line), static_cast<std::int32_t>(offsets.size())});
    offsets.push_back(static_cast<std::int32_t>(offset));
  });
  if (!fits) return false;
  std::stable_sort(keys.begin(), keys.end(), KeyLess);
  return StoreOffsets(offsets, 0) && StoreKeys(keys, 0) && StampFileTime();
}

std::vector<TTextTable::KeyPair> TTextTable::LoadKeys() {
  std::vector<KeyPair> keys(idi_.bytes.size() / sizeof(KeyPair));
  if (!keys.empty()) std::memcpy(keys.data(), idi_.bytes.data(), keys.size() * sizeof(KeyPair));
  return keys;
}

bool TTextTable::StoreOffsets(const std::vector<std::int32_t>& offsets, std::size_t first_changed) {
  // The time slot is written as 0; StampFileTime fills it in last.
  const std::size_t changed = offsets.size() - first_changed;
  std::vector<char> tail(changed * 4 + 8, '\0');
  std::memcpy(tail.data(), offsets.data() + first_changed, changed * 4);
  return idp_.WriteAt(first_changed * 4, tail.data(), tail.size()) && idp_.Truncate(offsets.size() * 4 + 8);
}

bool TTextTable::StoreKeys(const std::vector<KeyPair>& keys, std::size_t first_changed) {
  const std::size_t bytes = (keys.size() - std::min(first_changed, keys.size())) * sizeof(KeyPair);
  if (bytes > 0 && !idi_.WriteAt(first_changed * sizeof(KeyPair), keys.data() + first_changed, bytes)) return false;
  return idi_.Truncate(keys.size() * sizeof(KeyPair));
}

bool TTextTable::StampFileTime() {
  const std::optional<std::uint64_t> time = FileTime(table_name_);
  const std::size_t size = idp_.bytes.size();
  return time && size >= 12 && idp_.WriteAt(size - 8, &*time, sizeof *time);
}

bool TTextTable::OffsetsValid(const std::vector<std::int32_t>& offsets, std::int64_t text_size) {
  if (offsets.empty() || offsets.front() != 0 || offsets.back() != text_size) return false;
  for (std::size_t i = 1; i < offsets.size(); ++i) {
    if (static_cast<std::int64_t>(offsets[i]) < static_cast<std::int64_t>(offsets[i - 1]) + 2) return false;
  }
  return true;
}

std::string TTextTable::ReadText(std::int64_t start, std::int64_t end) const {
  if (start < 0 || end < start) return {};
  UniqueFd fd(table_name_.c_str(), O_RDONLY);
  struct stat info {};
  if (!fd.Valid() || ::fstat(fd.Get(), &info) != 0 || end > info.st_size) return {};
  std::string text(static_cast<std::size_t>(end - start), '\0');
  if (!text.empty() && !PreadAll(fd.Get(), text.data(), text.size(), start)) return {};
  return text;
}

bool TTextTable::SpliceText(std::int64_t start, std::int64_t end, std::string_view text) {
  UniqueFd fd(table_name_.c_str(), O_RDWR);
  struct stat info {};
  if (!fd.Valid() || ::fstat(fd.Get(), &info) != 0) return false;
  const std::int64_t size = info.st_size;
  if (start < 0 || start > end || end > size) return false;
  const std::int64_t delta = static_cast<std::int64_t>(text.size()) - (end - start);
  if (size + delta > kMaxTextBytes) return false;
  if (delta > 0 && !MoveTail(fd.Get(), end, size, delta)) return false;
  if (!PwriteAll(fd.Get(), text.data(), text.size(), start)) return false;
  if (delta < 0 && (!MoveTail(fd.Get(), end, size, delta) || ::ftruncate(fd.Get(), size + delta) != 0)) return false;
  return fd.Close();
}

std::size_t TTextTable::FindPair(const std::vector<KeyPair>& keys, std::int32_t key, std::int32_t record) {
  auto [first, last] = std::equal_range(keys.begin(), keys.end(), KeyPair{key, 0}, KeyLess);
  auto it = std::find_if(first, last, [&](const KeyPair& p) { return p.record == record; });
  // A damaged index may hold the pair out of place.
  if (it == last) it = std::find_if(keys.begin(), keys.end(), [&](const KeyPair& p) { return p.record == record; });
  return static_cast<std::size_t>(it - keys.begin());
}

std::string TTextTable::ReadRecord(int record) { return Ready() ? ReadIndexed(record) : std::string(); }

std::string TTextTable::ReadIndexed(int record) const {
  const std::int64_t entries = (static_cast<std::int64_t>(idp_.bytes.size()) - 12) / 4 + 1;
  if (record < 1 || record >= entries) return {};
  const std::int64_t start = LoadInt32(idp_.bytes.data() + 4 * (record - 1));
  const std::int64_t end = LoadInt32(idp_.bytes.data() + 4 * record);
  if (end < start + 2) return {};
  std::string line = ReadText(start, end);
  if (line.size() >= 2) line.resize(line.size() - 2);
  return line;
}

bool TTextTable::BeginEdit(std::vector<std::int32_t>& offsets, std::string_view new_line, int record, bool inserting) {
  // Lines of a checked (plain) table cannot hold line breaks: the next
  // rebuild would split them. Scrambled tables are written whole elsewhere.
  if (need_check_index_ && HasLineBreak(new_line)) return false;
  if (!Ready()) return false;
  const std::int64_t size = static_cast<std::int64_t>(idp_.bytes.size());
  if (size < 12) return false;
  const std::size_t entries = static_cast<std::size_t>((size - 12) / 4) + 1;
  const std::size_t last_record = entries - (inserting ? 0 : 1);
  if (record < 1 || static_cast<std::size_t>(record) > last_record) return false;
  offsets.resize(entries);
  std::memcpy(offsets.data(), idp_.bytes.data(), entries * 4);
  const std::optional<TextState> text = TextFileState();
  if (!text || !OffsetsValid(offsets, text->size)) return false;
  // Until the edit is complete the stored time matches nothing, so an edit
  // that fails half way is repaired by a rebuild instead of trusted.
  const std::uint64_t zero = 0;
  return idp_.WriteAt(entries * 4, &zero, sizeof zero);
}

bool TTextTable::UpdateRecord(int record, std::string_view line) {
  std::vector<std::int32_t> offsets;
  if (!BeginEdit(offsets, line, record, false)) return false;
  const std::int64_t start = offsets[record - 1];
  const std::int64_t end = offsets[record];
  const std::int32_t old_key = RecordKey(ReadText(start, end - 2));
  const std::string text = std::string(line) + kCrLf;
  if (!SpliceText(start, end, text)) return false;
  const std::int64_t delta = static_cast<std::int64_t>(text.size()) - (end - start);
  for (std::size_t i = static_cast<std::size_t>(record); i < offsets.size(); ++i) {
    offsets[i] = static_cast<std::int32_t>(offsets[i] + delta);
  }
  if (!StoreOffsets(offsets, delta == 0 ? offsets.size() : static_cast<std::size_t>(record))) return false;

  const std::int32_t new_key = RecordKey(line);
  if (new_key != old_key) {
    std::vector<KeyPair> keys = LoadKeys();
    std::size_t changed = FindPair(keys, old_key, record);
    if (changed < keys.size()) keys.erase(keys.begin() + static_cast<std::ptrdiff_t>(changed));
    auto at = std::upper_bound(keys.begin(), keys.end(), KeyPair{new_key, 0}, KeyLess);
    changed = std::min(changed, static_cast<std::size_t>(at - keys.begin()));
    keys.insert(at, KeyPair{new_key, record});
    if (!StoreKeys(keys, changed)) return false;
  }
  return StampFileTime();
}

bool TTextTable::InsertRecord(int record, std::string_view line) {
  std::vector<std::int32_t> offsets;
  if (!BeginEdit(offsets, line, record, true)) return false;
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
  return StoreKeys(keys, first_changed) && StampFileTime();
}

bool TTextTable::AppendRecord(std::string_view line) {
  if (!Ready()) return false;
  const std::int64_t entries = (static_cast<std::int64_t>(idp_.bytes.size()) - 12) / 4 + 1;
  if (entries < 1) return false;
  return InsertRecord(static_cast<int>(entries), line);
}

bool TTextTable::DeleteRecord(int record) {
  std::vector<std::int32_t> offsets;
  if (!BeginEdit(offsets, {}, record, false)) return false;
  const std::int64_t start = offsets[record - 1];
  const std::int64_t removed = offsets[record] - start;
  const std::int32_t old_key = RecordKey(ReadText(start, start + removed - 2));
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
  return StoreKeys(keys, first_changed) && StampFileTime();
}

int TTextTable::FindRecNo(int id) { return Ready() ? FindIndexed(id) : -1; }

int TTextTable::FindIndexed(int id) const {
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
  if (!Ready()) return {};
  const int record = FindIndexed(id);
  return record < 0 ? std::string() : ReadIndexed(record);
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
  const fs::path temp_idp = IndexPathOf(table, ".idp").string() + ".new";
  const fs::path temp_idi = IndexPathOf(table, ".idi").string() + ".new";
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
  fs::rename(temp_idi, IndexPathOf(table, ".idi").string(), ec);
  if (!ec) fs::rename(temp_idp, IndexPathOf(table, ".idp").string(), ec);
  if (!ec) fs::rename(temp_text, table, ec);
  return ec ? cleanup() : true;
}

std::string VerifyTextTable(const fs::path& table, bool scrambled) {
  const std::optional<std::string> text = ReadWholeFile(table, kMaxTextBytes);
  if (!text) return "cannot read " + table.string();
  const std::optional<std::string> idp = ReadWholeFile(IndexPathOf(table, ".idp").string(), kMaxIndexBytes);
  const std::optional<std::string> idi = ReadWholeFile(IndexPathOf(table, ".idi").string(), kMaxIndexBytes);
  if (!idp) return "cannot read " + IndexPathOf(table, ".idp").string();
  if (!idi) return "cannot read " + IndexPathOf(table, ".idi").string();
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
    ForEachLine(*text, [&](std::string_view l) {
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
