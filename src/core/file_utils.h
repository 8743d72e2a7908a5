#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tazmel {

// Writes all of `content` to `fd`, going on after interrupts and short
// writes; false on the first failure.
bool WriteAll(int fd, std::string_view content);
inline bool WriteAll(int fd, const unsigned char* data, std::size_t count) {
  return WriteAll(fd, std::string_view(reinterpret_cast<const char*>(data), count));
}

// Whole-file read of a regular file; nullopt for anything else (a FIFO, a
// folder), a read error, or more than max_bytes.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, std::uintmax_t max_bytes = UINTMAX_MAX);

// Writes to a temporary file beside `path`, flushes it and renames it into
// place; on failure the old file is untouched and no temporary is left. A
// link is written through to its file, the file's mode is kept, and a file
// without the owner's write permission is refused.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view content);

// Byte-exact copy through WriteFileAtomically, overwriting `to`.
bool CopyFileExact(const std::filesystem::path& from, const std::filesystem::path& to);

// `folder / name`, with the name spelt as an entry of the folder that equals
// it without regard to ASCII case; `folder / name` unchanged when none does.
std::filesystem::path FindNoCase(const std::filesystem::path& folder, std::string_view name);

// The text without the characters " * / : < > ? \ | ; all other characters
// stay. The text is in the data code page, so the trail byte of a
// two-byte character that happens to be 0x5C or 0x7C stays with it.
std::string CleanFileName(std::string_view text);

// File-name part of a path ("/" or "\" separated) without its extension.
std::string FileNameWithoutExt(std::string_view path);

// Appends the full path of every non-folder entry whose name does not start
// with "." in the order the system lists them.
void ListFiles(const std::filesystem::path& folder, std::vector<std::filesystem::path>& list);

// Deletes the folder and its contents. Only plain folders are descended
// into; a hidden (dot-named) or read-only folder is treated as a file, so
// its removal fails and it stays, with the folders above it. Symbolic links
// are removed, never followed. Returns the outcome of the last deletion.
bool DeleteFolder(const std::filesystem::path& folder);

}  // namespace tazmel
