#pragma once

#include <filesystem>

#include "playback/station_learning.h"
#include "playback/tester/station_tester.h"

namespace tazmel {

class ProgramPaths;
class StationTree;

// The tester's stations come from the station tables (what it learns goes
// into user stations), its result groups go to the data folder's tree files
// and its resume keys to User.ini.
class FileTesterStore : public TesterStore {
 public:
  FileTesterStore(const ProgramPaths& paths, const StationTree& tree, int user_language);

  StationRecord LoadStation(int id) override;
  void LearnStart(int id, StationRecord& record, const StationLearning::StartFacts& facts) override;
  void MarkBad(int id, StationRecord& record) override;
  void EnsureLoaded(TreeNode& top) override;
  void SaveSubtree(const TreeNode& top) override;
  void SaveTopLists() override;
  std::string ReadKey(std::string_view key) override;
  void WriteKeys(const std::vector<std::pair<std::string, std::string>>& keys) override;

 private:
  const ProgramPaths& paths_;
  const StationTree& tree_;
  int user_language_;
  StationLearning learning_;
};

}  // namespace tazmel
