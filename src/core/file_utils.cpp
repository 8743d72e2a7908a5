#include "core/file_utils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "core/text_utils.h"
#include "core/unique_fd.h"

namespace fs = std::filesystem;

namespace tazmel {
bool WriteAll(int fd, std::string_view content) {
  while (!content.empty()) {
    ssize_t n = ::write(fd, content.data(), content.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    content.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::optional<std::string> ReadWholeFile(const fs::path& path, std::uintmax_t max_bytes) {
  // Non-blocking open and a type check first: a FIFO or device given as a
  // settings file must not hang start-up.
  UniqueFd fd(path.c_str(), O_RDONLY | O_NONBLOCK);
  struct stat info {};
  if (!fd.Valid() || ::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  if (static_cast<std::uintmax_t>(info.st_size) > max_bytes) return std::nullopt;
  std::string content;
  content.reserve(static_cast<std::size_t>(info.st_size));
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    if (content.size() + static_cast<std::size_t>(n) > max_bytes) return std::nullopt;
    content.append(buffer, static_cast<std::size_t>(n));
  }
  return content;
}

bool WriteFileAtomically(const fs::path& path, std::string_view content) {
  // Write through a symbolic link to the file it names, keep the file's
  // mode, and leave a file without write permission alone.
  std::error_code ec;
  fs::path target = path;
  if (fs::symlink_status(path, ec).type() == fs::file_type::symlink) {
    target = fs::weakly_canonical(path, ec);
    if (ec) return false;
  }
  mode_t mode = 0644;
  struct stat info {};
  if (::stat(target.c_str(), &info) == 0) {
    if (!S_ISREG(info.st_mode) || !(info.st_mode & S_IWUSR)) return false;
    mode = info.st_mode & 07777;
  }
  fs::path temp = target;
  temp += ".tmp" + std::to_string(::getpid());
  UniqueFd fd(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (!fd.Valid()) return false;
  bool ok = WriteAll(fd.Get(), content) && ::fchmod(fd.Get(), mode) == 0 && ::fsync(fd.Get()) == 0;
  ok = fd.Close() && ok;
  ok = ok && std::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

bool CopyFileExact(const fs::path& from, const fs::path& to) {
  std::optional<std::string> content = ReadWholeFile(from);
  return content && WriteFileAtomically(to, *content);
}

fs::path FindNoCase(const fs::path& folder, std::string_view name) {
  std::error_code ec;
  if (fs::exists(folder / name, ec)) return folder / name;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::string entry = it->path().filename().string();
    if (EqualsNoCase(entry, name)) return it->path();
  }
  return folder / name;
}

std::string CleanFileName(std::string_view text) {
  const auto byte = [&text](std::size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u; };
  const auto in = [](unsigned b, unsigned low, unsigned high) { return b >= low && b <= high; };
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    // A character of the data code page: one byte, a lead byte with a trail
    // byte (which may be "\\" or "|"), or four bytes of GB18030.
    std::size_t length = 1;
    if (in(byte(i), 0x81, 0xFE)) {
      if (in(byte(i + 1), 0x30, 0x39) && in(byte(i + 2), 0x81, 0xFE) && in(byte(i + 3), 0x30, 0x39)) {
        length = 4;
      } else if (in(byte(i + 1), 0x40, 0xFE) && byte(i + 1) != 0x7F) {
        length = 2;
      }
    }
    if (length > 1 || std::string_view("\"*/:<>?\\|").find(text[i]) == std::string_view::npos) {
      out.append(text.substr(i, length));
    }
    i += length;
  }
  return out;
}

std::string FileNameWithoutExt(std::string_view path) {
  std::size_t slash = path.find_last_of("/\\");
  std::string_view name = slash == path.npos ? path : path.substr(slash + 1);
  return std::string(name.substr(0, name.rfind('.')));
}

void ListFiles(const fs::path& folder, std::vector<fs::path>& list) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->path().filename().string().starts_with('.')) continue;
    std::error_code type_ec;
    if (it->is_directory(type_ec)) continue;
    list.push_back(it->path());
  }
}

namespace {

// The stand-in for "exactly the plain directory attribute": a real folder
// (not a link) that is neither hidden nor read-only. The owner's write bit
// decides read-only, so the rule holds for root too.
bool IsPlainFolder(const fs::path& path) {
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(path, ec);
  if (ec || status.type() != fs::file_type::directory) return false;
  if (path.filename().string().starts_with('.')) return false;
  return (status.permissions() & fs::perms::owner_write) != fs::perms::none;
}

// Empties a folder; whatever cannot be deleted simply stays.
void DeleteContents(const fs::path& folder) {
  std::error_code ec;
  std::vector<fs::directory_entry> entries;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) entries.push_back(*it);
  for (const fs::directory_entry& entry : entries) {
    if (IsPlainFolder(entry.path())) {
      DeleteContents(entry.path());
      ::rmdir(entry.path().c_str());
    } else {
      ::unlink(entry.path().c_str());
    }
  }
}

}  // namespace

bool DeleteFolder(const fs::path& folder) {
  std::error_code ec;
  if (folder.empty() || fs::symlink_status(folder, ec).type() != fs::file_type::directory) return false;
  DeleteContents(folder);
  return ::rmdir(folder.c_str()) == 0;
}

}  // namespace tazmel
