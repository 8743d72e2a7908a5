#pragma once

#include <array>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tazmel {

class TreeEditor;
class TreeNode;
struct StationRecord;

// What one level of a generated tree files stations by, in the order the
// level choices list them.
enum class GeneratorLevel { kNone, kGenre, kLanguage, kCountry, kState, kCity, kFormat, kSpeed, kValidity };
inline constexpr int kGeneratorLevelCount = 5;

// Which station tables a run reads; All reads the system table, then the
// user table.
enum class GeneratorTables { kAll, kSystem, kUser };

// The group caption a level gives a station: the field as it stands, the
// player kind's or quality's name for Format and Validity, the text of
// "Unknown" for an empty value, and empty for kNone.
std::string LevelValue(GeneratorLevel level, const StationRecord& record);

// The captions of the groups a station is filed under, one per level that
// is not kNone; nullopt for a station without a name, which is left out.
std::optional<std::vector<std::string>> StationPath(std::span<const GeneratorLevel> levels,
                                                    const StationRecord& record);

// What the generator window sets before Go.
struct TreeGeneratorOptions {
  std::string group_name = "New Group";                       // caption of the new node
  std::array<GeneratorLevel, kGeneratorLevelCount> levels{};  // all kNone
  GeneratorTables tables = GeneratorTables::kAll;
};

// Builds a new node of the station tree from the station tables of the
// editor's data folder, filing every station under its path of group
// captions. The window owns one generator, sets the hooks once and drives
// runs; everything happens on the calling thread.
class TreeGenerator {
 public:
  // Once per record, before it is read: the progress bar's position and
  // maximum.
  std::function<void(int record, int count)> on_progress;
  // Lets pending user-interface input run once per record (the window's
  // close question may call RequestStop from here).
  std::function<void()> pump_events;

  // Ends a running generation before its next record; what was built stays.
  void RequestStop() { stop_ = true; }
  bool stop_requested() const { return stop_; }
  bool running() const { return new_node_ != nullptr; }

  // For the editor's cut veto while the window is visible: during a run, the
  // node being filled, everything inside it and its ancestors are kept.
  bool KeepsNode(const TreeNode& node) const;

  // Inserts the new node in front of the editor's selected node (with no
  // selection, as the last top node), selects it, marks the tree changed and
  // fills it. True when every record was read; false after a stop.
  bool Run(TreeEditor& editor, const TreeGeneratorOptions& options);

 private:
  bool stop_ = false;
  TreeNode* new_node_ = nullptr;
};

}  // namespace tazmel
