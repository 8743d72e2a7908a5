#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/unique_fd.h"

struct stat;

namespace tazmel {

// A record store over a plain text file: one record per CR LF line, fields
// separated by TAB, the first field an integer key. Two binary index files
// beside it give the n-th line's byte offset (X.idp: N + 1 little-endian
// int32 offsets, then the text file's 64-bit file time) and a lookup by key
// (X.idi: N sorted pairs of int32 key and record number). Records are edited
// in place and the indexes follow every edit.
//
// With NeedCheckIndex (the default) the stored file time is compared with the
// text file before each access and both indexes are rebuilt when the text was
// changed by anything else, so a table edited by hand stays usable. Without
// it the indexes are trusted as they are (scrambled system data).
//
// The index files stay open while the table is active; the text file is
// opened for each operation only. Index contents are read into memory on
// first use and re-read when the files change underneath. Offsets and
// record numbers read from the files are checked before use: a damaged index
// gives wrong or empty records, never a read or write outside the files.
class TTextTable {
 public:
  TTextTable();
  virtual ~TTextTable();
  TTextTable(const TTextTable&) = delete;
  TTextTable& operator=(const TTextTable&) = delete;

  bool Active() const { return idp_.fd.Valid(); }
  void SetActive(bool active);
  bool Open();
  void Close();

  const std::filesystem::path& TableName() const { return table_name_; }
  // A different name closes an active table first.
  void SetTableName(const std::filesystem::path& name);

  bool NeedCheckIndex() const { return need_check_index_; }
  void SetNeedCheckIndex(bool need) { need_check_index_ = need; }

  // (size of X.idp - 12) / 4, which is negative for empty index files;
  // 0 when the index check fails.
  int RecordCount();

  // Record numbers are 1-based line positions.
  std::string ReadRecord(int record);
  bool UpdateRecord(int record, std::string_view line);
  bool AppendRecord(std::string_view line);
  // Inserts before `record`; N + 1 appends.
  bool InsertRecord(int record, std::string_view line);
  bool DeleteRecord(int record);

  // Record number of a line with that key, or -1.
  int FindRecNo(int id);
  std::string ReadByID(int id);
  bool UpdateByID(int id, std::string_view line);
  // The first free key after the run of consecutive keys from start + 1.
  int NewID(int start);

  bool CheckIndex();
  bool RebuildIndex();

  // The integer before the first TAB, blanks trimmed; 0 for a line without
  // TAB or with a key that is not a number.
  static int RecordKey(std::string_view line);

  // Last-write time of a file as 100-ns ticks since 1601-01-01.
  static std::optional<std::uint64_t> FileTime(const std::filesystem::path& file);

  // Paths of the index files.
  std::filesystem::path OffsetIndexPath() const;
  std::filesystem::path KeyIndexPath() const;

 private:
  struct KeyPair {
    std::int32_t key;
    std::int32_t record;
  };
  static bool KeyLess(const KeyPair& a, const KeyPair& b) { return a.key < b.key; }

  // One index file: its descriptor and a copy of its bytes, refreshed when
  // the file changes under us.
  struct IndexFile {
    UniqueFd fd;
    std::vector<char> bytes;
    bool loaded = false;
    std::uint64_t signature[4] = {};  // inode, size, mtime s, mtime ns

    // The cached bytes are those of the file as it is now.
    bool IsCurrent() const;
    // Re-reads the file when it changed; refuses one above max_bytes.
    bool Refresh(std::int64_t max_bytes);
    bool WriteAt(std::size_t offset, const void* data, std::size_t size);
    bool Truncate(std::size_t size);
    bool TakeFileIdentity();
    void TakeSignature(const struct stat& info);
    void Close();
  };

  struct TextState {
    std::int64_t size;
    std::uint64_t time;
  };
  std::optional<TextState> TextFileState() const;

  bool RefreshIndexes();
  bool Ready();  // active and index in step (when checked)
  // Lookups on the index in memory; the caller made sure it is Ready().
  std::string ReadIndexed(int record) const;
  int FindIndexed(int id) const;
  // Starts an edit of `record` (inserting: up to N + 1): the offset table,
  // checked against the text file so a damaged index never moves bytes,
  // and the stored time cleared until StampFileTime ends the edit.
  bool BeginEdit(std::vector<std::int32_t>& offsets, std::string_view new_line, int record, bool inserting);
  std::vector<KeyPair> LoadKeys();
  bool StoreOffsets(const std::vector<std::int32_t>& offsets, std::size_t first_changed);
  bool StoreKeys(const std::vector<KeyPair>& keys, std::size_t first_changed);
  bool StampFileTime();
  // Offsets are usable when they start at 0, never go down, keep 2 bytes per
  // line, and end at the text file's size.
  static bool OffsetsValid(const std::vector<std::int32_t>& offsets, std::int64_t text_size);
  bool NormaliseText();
  // Bytes [start, end) of the text file; empty when they are not all there.
  std::string ReadText(std::int64_t start, std::int64_t end) const;
  // Replaces bytes [start, end) of the text file with `text`, moving the rest.
  bool SpliceText(std::int64_t start, std::int64_t end, std::string_view text);
  static std::size_t FindPair(const std::vector<KeyPair>& keys, std::int32_t key, std::int32_t record);

  std::filesystem::path table_name_;
  bool need_check_index_ = true;
  IndexFile idp_;
  IndexFile idi_;
};

// Writes a whole table, the text file and both index files, from its lines
// (which may hold any bytes, as scrambled lines do). Each file goes to a
// temporary name first, so a failure leaves the old table untouched.
bool WriteTextTable(const std::filesystem::path& table, const std::vector<std::string>& lines);

// Compares the index files with the text file without changing anything:
// empty when they agree, else a message naming the first mismatch. A
// scrambled table's records may contain line breaks, so its records are
// taken from the offsets; a plain table's must also match its lines.
std::string VerifyTextTable(const std::filesystem::path& table, bool scrambled);

}  // namespace tazmel
