#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tazmel {

// The value of the environment variable as a path; empty when it is unset
// or empty.
std::filesystem::path EnvPath(const char* name);

// Where the program folder comes from; filled from the environment and the
// executable's location by FromEnvironment, or by tests.
struct ProgramFolderSources {
  std::filesystem::path tazmel_home;      // $TAZMEL_HOME
  std::filesystem::path executable_dir;   // folder of the running executable
  std::filesystem::path xdg_data_home;    // $XDG_DATA_HOME
  std::filesystem::path home;             // $HOME
  std::filesystem::path installed_share;  // <prefix>/share/tazmel

  static ProgramFolderSources FromEnvironment();
};

// $TAZMEL_HOME when set; else the executable's folder when it holds
// Tazmel.ini; else $XDG_DATA_HOME/tazmel (default ~/.local/share/tazmel),
// created and filled from the installed share folder when it has no
// Tazmel.ini yet. Files already there are never overwritten.
std::filesystem::path ResolveProgramFolder(const ProgramFolderSources& sources);

// Copies every file of `from` that `to` lacks, folders included.
void SeedFolder(const std::filesystem::path& from, const std::filesystem::path& to);

// The fixed places of the program's files. The language code follows the
// user's choice, so the data folder is computed anew at every use. Names are
// matched without regard to case, as the files may come from elsewhere.
class ProgramPaths {
 public:
  ProgramPaths() = default;
  explicit ProgramPaths(std::filesystem::path program_folder);

  const std::filesystem::path& ProgramFolder() const { return program_folder_; }
  const std::string& LanguageCode() const { return language_code_; }
  void SetLanguageCode(std::string code) { language_code_ = std::move(code); }

  std::filesystem::path TazmelIni() const;
  std::filesystem::path UserIni() const;
  std::filesystem::path TaskListFile() const;
  std::filesystem::path MusicListFile() const;

  std::filesystem::path DataFolder() const;
  std::filesystem::path SystemTablePath() const;
  std::filesystem::path UserTablePath() const;

  std::filesystem::path LanguageFolder() const;
  std::filesystem::path LanguageFile(std::string_view code) const;
  std::filesystem::path LanguageFile() const { return LanguageFile(language_code_); }
  std::filesystem::path SkinsFolder() const;
  // Empty for a name that is not a single folder name ("..", "a/b").
  std::filesystem::path SkinFolder(std::string_view skin_name) const;
  // sound/<code>/, or sound/chs/ when the language has no sound folder.
  std::filesystem::path SoundFolder() const;
  std::filesystem::path HelpFile() const;

 private:
  // program folder / parts..., each part matched without regard to case.
  std::filesystem::path Find(std::initializer_list<std::string_view> parts) const;

  std::filesystem::path program_folder_;
  std::string language_code_ = "eng";
};

}  // namespace tazmel
