#include "playback/tester/tester_store.h"

#include "core/ini_file.h"
#include "core/program_paths.h"
#include "stations/tree_files.h"

namespace tazmel {

FileTesterStore::FileTesterStore(const ProgramPaths& paths, const StationTree& tree, int user_language)
    : paths_(paths), tree_(tree), user_language_(user_language), learning_(paths) {}

StationRecord FileTesterStore::LoadStation(int id) { return learning_.Load(id); }

void FileTesterStore::LearnStart(int id, StationRecord& record, const StationLearning::StartFacts& facts) {
  StationLearning::StartFacts with_language = facts;
  with_language.user_language = user_language_;
  learning_.LearnStart(PlaySource::Station(id), record, with_language);
}

void FileTesterStore::MarkBad(int id, StationRecord& record) { learning_.MarkBad(PlaySource::Station(id), record); }

void FileTesterStore::EnsureLoaded(TreeNode& top) { tazmel::EnsureLoaded(top, paths_.DataFolder()); }

// A failed write keeps the results in memory; the next save tries again.
void FileTesterStore::SaveSubtree(const TreeNode& top) { tazmel::SaveSubtree(top, paths_.DataFolder()); }

void FileTesterStore::SaveTopLists() { tazmel::SaveTopLists(tree_, paths_.DataFolder()); }

std::string FileTesterStore::ReadKey(std::string_view key) {
  return ReadProfileString(paths_.UserIni(), kTesterSection, key);
}

void FileTesterStore::WriteKeys(const std::vector<std::pair<std::string, std::string>>& keys) {
  IniFile ini;
  // A settings file that cannot be read is never replaced by five keys.
  if (ini.Load(paths_.UserIni()) == IniFile::LoadStatus::kUnreadable) return;
  for (const auto& [key, value] : keys) ini.WriteString(kTesterSection, key, value);
  ini.Save(paths_.UserIni());
}

}  // namespace tazmel
