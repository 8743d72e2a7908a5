#include "core/file_utils.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>

#include "core/text_utils.h"

namespace fs = std::filesystem;

namespace tazmel {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

std::optional<std::string> ReadWholeFile(const fs::path& path, std::uintmax_t max_bytes) {
  FileHandle f(std::fopen(path.c_str(), "rb"));
  if (!f) return std::nullopt;
  std::string content;
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f.get())) > 0) {
    if (content.size() + n > max_bytes) return std::nullopt;
    content.append(buffer, n);
  }
  if (std::ferror(f.get())) return std::nullopt;
  return content;
}

bool WriteFileAtomically(const fs::path& path, std::string_view content) {
  fs::path temp = path;
  temp += ".tmp" + std::to_string(::getpid());
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = true;
  const char* p = content.data();
  std::size_t left = content.size();
  while (ok && left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      ok = false;
    else {
      p += n;
      left -= static_cast<std::size_t>(n);
    }
  }
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
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
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (std::string_view("\"*/:<>?\\|").find(c) == std::string_view::npos) out += c;
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
// (not a link) that is neither hidden nor read-only.
bool IsPlainFolder(const fs::directory_entry& entry) {
  std::error_code ec;
  if (!entry.is_directory(ec) || entry.is_symlink(ec)) return false;
  if (entry.path().filename().string().starts_with('.')) return false;
  return ::access(entry.path().c_str(), W_OK) == 0;
}

// Empties a folder; whatever cannot be deleted simply stays.
void DeleteContents(const fs::path& folder) {
  std::error_code ec;
  std::vector<fs::directory_entry> entries;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) entries.push_back(*it);
  for (const fs::directory_entry& entry : entries) {
    if (IsPlainFolder(entry)) {
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
  if (folder.empty() || !fs::is_directory(folder, ec)) return false;
  DeleteContents(folder);
  return ::rmdir(folder.c_str()) == 0;
}

}  // namespace tazmel
