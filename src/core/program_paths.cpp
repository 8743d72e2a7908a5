#include "core/program_paths.h"

#include <cstdlib>

#include "core/file_utils.h"

namespace fs = std::filesystem;

namespace tazmel {
namespace {

fs::path ExecutableDir() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::current_path(ec) : exe.parent_path();
}

bool HasTazmelIni(const fs::path& folder) {
  std::error_code ec;
  return fs::is_regular_file(FindNoCase(folder, "Tazmel.ini"), ec);
}

}  // namespace

fs::path EnvPath(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? fs::path(value) : fs::path();
}

ProgramFolderSources ProgramFolderSources::FromEnvironment() {
  ProgramFolderSources s;
  s.tazmel_home = EnvPath("TAZMEL_HOME");
  s.executable_dir = ExecutableDir();
  s.xdg_data_home = EnvPath("XDG_DATA_HOME");
  s.home = EnvPath("HOME");
  s.installed_share = s.executable_dir.parent_path() / "share" / "tazmel";
  return s;
}

void SeedFolder(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::create_directories(to, ec);
  for (fs::directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path target = to / it->path().filename();
    std::error_code type_ec;
    if (it->is_directory(type_ec)) {
      SeedFolder(it->path(), target);
    } else if (!fs::exists(target, type_ec)) {
      CopyFileExact(it->path(), target);
    }
  }
}

fs::path ResolveProgramFolder(const ProgramFolderSources& s) {
  if (!s.tazmel_home.empty()) return s.tazmel_home;
  if (!s.executable_dir.empty() && HasTazmelIni(s.executable_dir)) return s.executable_dir;
  // A relative XDG_DATA_HOME is ignored, as the convention says; without a
  // home the folder beside the executable is the last resort.
  fs::path data_home = s.xdg_data_home.is_absolute() ? s.xdg_data_home
                       : s.home.is_absolute()        ? s.home / ".local" / "share"
                                                     : s.executable_dir;
  fs::path folder = data_home / "tazmel";
  if (!HasTazmelIni(folder)) SeedFolder(s.installed_share, folder);
  return folder;
}

ProgramPaths::ProgramPaths(fs::path program_folder) : program_folder_(std::move(program_folder)) {}

fs::path ProgramPaths::Find(std::initializer_list<std::string_view> parts) const {
  fs::path path = program_folder_;
  for (std::string_view part : parts) path = FindNoCase(path, part);
  return path;
}

fs::path ProgramPaths::TazmelIni() const { return Find({"Tazmel.ini"}); }
fs::path ProgramPaths::UserIni() const { return Find({"User.ini"}); }
fs::path ProgramPaths::TaskListFile() const { return Find({"Tasklist.dat"}); }
fs::path ProgramPaths::MusicListFile() const { return Find({"Tazmel.m3u"}); }

fs::path ProgramPaths::DataFolder() const { return Find({"data", language_code_}); }
fs::path ProgramPaths::SystemTablePath() const { return FindNoCase(DataFolder(), "data.dat"); }
fs::path ProgramPaths::UserTablePath() const { return FindNoCase(DataFolder(), "datauser.dat"); }

fs::path ProgramPaths::LanguageFolder() const { return Find({"Language"}); }
fs::path ProgramPaths::LanguageFile(std::string_view code) const {
  return FindNoCase(LanguageFolder(), std::string(code) + ".ini");
}
fs::path ProgramPaths::SkinsFolder() const { return Find({"Skins"}); }
// A skin name comes from User.ini or a menu; it must name one folder inside
// Skins, never a path that leads elsewhere.
fs::path ProgramPaths::SkinFolder(std::string_view skin_name) const {
  if (skin_name.empty() || skin_name == "." || skin_name == ".." ||
      skin_name.find_first_of(std::string_view("/\\\0", 3)) != std::string_view::npos) {
    return {};
  }
  return FindNoCase(SkinsFolder(), skin_name);
}

fs::path ProgramPaths::SoundFolder() const {
  fs::path own = Find({"sound", language_code_});
  std::error_code ec;
  return fs::is_directory(own, ec) ? own : Find({"sound", "chs"});
}

fs::path ProgramPaths::HelpFile() const { return FindNoCase(Find({"help"}), language_code_ + ".chm"); }

}  // namespace tazmel
