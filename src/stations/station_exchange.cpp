#include "stations/station_exchange.h"

#include <algorithm>
#include <system_error>

#include "core/code_page.h"
#include "core/file_utils.h"
#include "core/text_utils.h"
#include "stations/radio_table.h"
#include "stations/station_tree.h"
#include "stations/text_table.h"
#include "stations/tree_editor.h"
#include "stations/tree_files.h"

namespace tazmel {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::uintmax_t kMaxExchangeBytes = 512u << 20;
constexpr int kStationImage = 0;
constexpr int kGroupImage = 1;
constexpr int kNoState = -1;
// Items between two looks at the clock: a clock read per item would cost
// more than the small items themselves.
constexpr int kItemsPerClockCheck = 64;

bool IsIndent(char c) { return c == '\t' || c == ' '; }

// A caption written as a group line must stay one group line: no TAB that
// would make it a station, no line break, no leading blank that would read
// back as one more level.
std::string GroupLine(std::string_view caption) {
  std::string line(caption);
  for (char& c : line) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  line.erase(0, line.find_first_not_of(' '));
  return line;
}

std::string FirstField(std::string_view line) { return std::string(line.substr(0, line.find('\t'))); }

std::string LastField(std::string_view line) {
  const std::size_t tab = line.rfind('\t');
  return std::string(tab == line.npos ? line : line.substr(tab + 1));
}

// The addresses of a list that can identify a station: trimmed, lower-case,
// none empty.
std::vector<std::string> AddressKeys(std::string_view urls) {
  std::vector<std::string> keys;
  for (const std::string& url : SplitUrls(urls)) {
    std::string key = AsciiLowerCopy(TrimBlanks(url));
    if (!key.empty()) keys.push_back(std::move(key));
  }
  return keys;
}

std::string NameKey(std::string_view name) { return AsciiLowerCopy(name); }

bool WriteOut(const fs::path& file, const std::string& text) { return WriteFileAtomically(file, text); }

}  // namespace

// ---- the job frame ----

ExchangeJob::ExchangeJob(TreeEditor& editor) : editor_(editor) {
  // Nothing the job points to may go while it runs; a whole reload cannot
  // be refused, so the job stops before its nodes vanish.
  veto_ = editor_.AddCutVeto([](const TreeNode&) { return true; });
  listener_ = editor_.AddRemovalListener([this](const TreeNode*) { tree_changed_ = true; });
}

ExchangeJob::~ExchangeJob() {
  editor_.RemoveCutVeto(veto_);
  editor_.RemoveRemovalListener(listener_);
}

ExchangeStatus ExchangeJob::Step(Clock::duration budget) {
  if (status_ != ExchangeStatus::kRunning) return status_;
  if (begun_steps_ < BeginSteps()) {
    if (!Begin(begun_steps_++)) return status_ = ExchangeStatus::kFailed;
    return status_;
  }
  const Clock::time_point end = Clock::now() + budget;
  for (int n = 0;; ++n) {
    if (tree_changed_) {
      // The nodes the job holds may be gone: write nothing more into the
      // tree, but keep the table in step with what was placed.
      return status_ = Finish(true) ? ExchangeStatus::kStopped : ExchangeStatus::kFailed;
    }
    if (stop_) return status_ = Finish(true) ? ExchangeStatus::kStopped : ExchangeStatus::kFailed;
    if (!Next()) return status_ = Finish(false) ? ExchangeStatus::kDone : ExchangeStatus::kFailed;
    if (n % kItemsPerClockCheck == kItemsPerClockCheck - 1 && Clock::now() >= end) return status_;
  }
}

ExchangeStatus ExchangeJob::RunToEnd() {
  while (Step(std::chrono::milliseconds(20)) == ExchangeStatus::kRunning) {
  }
  return status_;
}

// ---- the user table in memory ----

bool UserStationLines::Load(const fs::path& data_folder) {
  lines_.clear();
  by_id_.clear();
  const fs::path path = FindNoCase(data_folder, "datauser.dat");
  std::error_code ec;
  if (!fs::exists(path, ec)) return true;
  // Opening checks the index against the text: a table saved by an editor
  // is normalised to CR LF lines first, as every other reader sees it.
  TRadioTable table;
  table.SetTableName(path);
  table.SetEncry(false);
  if (!table.Open() || !table.CheckIndex()) return false;
  table.Close();
  const std::optional<std::string> text = ReadWholeFile(path, kMaxExchangeBytes);
  if (!text) return false;
  ForEachLine(*text, [&](std::string_view line) {
    by_id_.emplace(TTextTable::RecordKey(line), lines_.size());
    lines_.emplace_back(line);
  });
  return true;
}

const std::string* UserStationLines::Find(int id) const {
  const auto it = by_id_.find(id);
  return it == by_id_.end() ? nullptr : &lines_[it->second];
}

// ---- exports ----

BranchExport::BranchExport(TreeEditor& editor, TreeNode& branch, fs::path file)
    : ExchangeJob(editor), branch_(&branch), file_(std::move(file)) {}

bool BranchExport::Begin(int) {
  editor_.EnsureLoaded(*branch_);
  if (!table_.Load(editor_.data_folder())) return false;
  maximum_ = branch_->SubtreeSize();
  cursor_ = branch_;
  return true;
}

bool BranchExport::Next() {
  if (cursor_ == nullptr) return false;
  TreeNode& node = *cursor_;
  const int depth = node.Depth() - branch_->Depth();
  const std::string indent(depth >= 2 ? static_cast<std::size_t>(depth - 1) : 0, '\t');
  const int id = NodeID(node);
  if (id > 0) {
    // System stations are not in the user table and stay out.
    if (const std::string* line = table_.Find(id)) (((text_ += indent) += *line) += "\r\n");
  } else if (depth > 0) {
    (((text_ += indent) += GroupLine(node.caption())) += "\r\n");
  }
  ++position_;
  TreeNode* next = node.Next();
  cursor_ = next != nullptr && branch_->Contains(*next) && next != branch_ ? next : nullptr;
  return true;
}

// A stopped export keeps what it wrote so far, as a failed one does.
bool BranchExport::Finish(bool) { return WriteOut(file_, text_); }

AllExport::AllExport(TreeEditor& editor, fs::path file) : ExchangeJob(editor), file_(std::move(file)) {}

bool AllExport::Begin(int) {
  for (const auto& top : editor_.tree().top_nodes()) editor_.EnsureLoaded(*top);
  if (!table_.Load(editor_.data_folder())) return false;
  maximum_ = editor_.tree().NodeCount();
  cursor_ = editor_.tree().First();
  return true;
}

bool AllExport::Next() {
  if (cursor_ == nullptr) return false;
  const TreeNode& node = *cursor_;
  if (node.parent() != nullptr) {
    const int id = NodeID(node);
    if (id > 0) {
      if (const std::string* line = table_.Find(id)) ((text_ += *line) += "\r\n");
    }
  }
  ++position_;
  cursor_ = node.Next();
  return true;
}

bool AllExport::Finish(bool) { return WriteOut(file_, text_); }

// ---- import ----

std::vector<fs::path> UserTableBackupFiles(const fs::path& data_folder) {
  return {data_folder / "datauser.dat.bak", data_folder / "datauser.idp.bak", data_folder / "datauser.idi.bak"};
}

StationImport::StationImport(TreeEditor& editor, TreeNode& target, fs::path file)
    : ExchangeJob(editor), target_(&target), file_(std::move(file)) {}

bool StationImport::Begin(int step) {
  switch (step) {
    case 0: {
      const std::optional<std::string> text = ReadWholeFile(file_, kMaxExchangeBytes);
      if (!text) return false;
      // Refused before anything changes: a byte that is not text would
      // reach the table as it is, or as "?" after a conversion, unnoticed.
      int number = 0;
      ForEachLine(*text, [&](std::string_view line) {
        ++number;
        if (!IsValidGb(line)) {
          error_.invalid_line = number;
          return true;
        }
        file_lines_.emplace_back(line);
        return false;
      });
      maximum_ = std::max(0, static_cast<int>(file_lines_.size()) - 1);
      return error_.invalid_line == 0;
    }
    case 1:
      editor_.SaveTreeChanges();
      for (const auto& top : editor_.tree().top_nodes()) editor_.EnsureLoaded(*top);
      return table_.Load(editor_.data_folder());
    case 2: {
      // The table as it was, with its indexes, before the first change.
      const fs::path user = FindNoCase(editor_.data_folder(), "datauser.dat");
      std::error_code ec;
      if (!fs::exists(user, ec)) return true;
      const std::vector<fs::path> backups = UserTableBackupFiles(editor_.data_folder());
      const fs::path sources[] = {user, fs::path(user).replace_extension(".idp"),
                                  fs::path(user).replace_extension(".idi")};
      for (std::size_t i = 0; i < backups.size(); ++i) {
        if (fs::exists(sources[i], ec) && !CopyFileExact(sources[i], backups[i])) return false;
      }
      return true;
    }
    default:
      break;
  }
  loaded_count_ = table_.lines_.size();
  replaced_lines_.assign(loaded_count_, false);
  ids_.reserve(loaded_count_);
  for (std::size_t i = 0; i < loaded_count_; ++i) {
    ids_.push_back(TTextTable::RecordKey(table_.lines_[i]));
    used_ids_.insert(ids_.back());
    Index(i, true);
  }
  id_cursor_ = kFirstUserStationID - 1;
  for (TreeNode* node = editor_.tree().First(); node != nullptr; node = node->Next()) {
    if (node->parent() != nullptr && IsStationNode(*node)) nodes_by_id_[NodeID(*node)].push_back(node);
  }
  target_level_ = target_->Depth();
  return true;
}

void StationImport::Index(std::size_t position, bool add) {
  const std::string& line = table_.lines_[position];
  std::string_view rest = line;
  rest.remove_prefix(std::min(rest.size(), FirstField(rest).size() + 1));
  const std::string name = NameKey(FirstField(rest));
  auto apply = [&](std::unordered_map<std::string, std::set<std::size_t>>& map, const std::string& key) {
    if (add) {
      map[key].insert(position);
      return;
    }
    const auto it = map.find(key);
    if (it == map.end()) return;
    it->second.erase(position);
    if (it->second.empty()) map.erase(it);
  };
  // A line without TAB is no station; an empty name identifies nothing.
  if (line.find('\t') == line.npos) return;
  if (!name.empty()) apply(by_name_, name);
  for (const std::string& key : AddressKeys(LastField(line))) apply(by_address_, key);
}

std::size_t StationImport::Match(const std::string& name, const std::string& urls) const {
  std::size_t best = std::string::npos;
  auto consider = [&](const std::unordered_map<std::string, std::set<std::size_t>>& map, const std::string& key) {
    const auto it = map.find(key);
    if (it != map.end() && !it->second.empty()) best = std::min(best, *it->second.begin());
  };
  if (!name.empty()) consider(by_name_, NameKey(name));
  for (const std::string& key : AddressKeys(urls)) consider(by_address_, key);
  return best;
}

int StationImport::StoreStation(std::string_view rest, const std::string& name, const std::string& urls) {
  const std::size_t found = Match(name, urls);
  if (found != std::string::npos) {
    const int id = ids_[found];
    std::string line = std::to_string(id) + "\t" + std::string(rest);
    if (line != table_.lines_[found]) {
      Index(found, false);
      table_.lines_[found] = std::move(line);
      Index(found, true);
      if (found < loaded_count_) replaced_lines_[found] = true;
    }
    ++replaced_;
    return id;
  }
  while (used_ids_.contains(id_cursor_ + 1)) ++id_cursor_;
  const int id = id_cursor_ + 1;
  used_ids_.insert(id);
  ids_.push_back(id);
  table_.lines_.push_back(std::to_string(id) + "\t" + std::string(rest));
  Index(table_.lines_.size() - 1, true);
  ++appended_;
  return id;
}

std::map<StationImport::ChildKey, TreeNode*>& StationImport::ChildrenOf(TreeNode& parent) {
  auto [it, fresh] = children_.try_emplace(&parent);
  if (fresh) {
    for (const auto& child : parent.children()) {
      const int id = NodeID(*child);
      it->second.try_emplace(ChildKey{id, id < 0 ? child->caption() : std::string()}, child.get());
    }
  }
  return it->second;
}

TreeNode* StationImport::PlaceUnder(TreeNode& parent, TreeNode* before, int id, const std::string& caption,
                                    bool is_group) {
  if (!is_group) {
    // The imported name is the station's name wherever it is listed.
    for (TreeNode* node : nodes_by_id_[id]) {
      if (node->caption() != caption) {
        node->set_caption(caption);
        editor_.MarkModified();
      }
    }
  }
  std::map<ChildKey, TreeNode*>& children = ChildrenOf(parent);
  const ChildKey key{id, is_group ? caption : std::string()};
  if (const auto it = children.find(key); it != children.end()) return it->second;
  auto node = std::make_unique<TreeNode>(caption, is_group ? kGroupImage : kStationImage, kNoState, id);
  TreeNode& added =
      before != nullptr ? parent.InsertChild(before->ChildIndex(), std::move(node)) : parent.AddChild(std::move(node));
  children.emplace(key, &added);
  if (!is_group) nodes_by_id_[id].push_back(&added);
  editor_.MarkModified();
  return &added;
}

void StationImport::Place(int level, int id, const std::string& caption, bool is_group) {
  TreeNode* placed = nullptr;
  if (level == target_level_) {
    if (IsStationNode(*target_)) {
      placed = PlaceUnder(*target_->parent(), target_, id, caption, is_group);
    } else {
      placed = PlaceUnder(*target_, nullptr, id, caption, is_group);
      if (is_group) level_offset_ = 1;
    }
  } else if (previous_ != nullptr) {
    const int previous_level = previous_->Depth();
    if (level == previous_level && previous_->parent() != nullptr) {
      placed = PlaceUnder(*previous_->parent(), nullptr, id, caption, is_group);
    } else if (level == previous_level + 1) {
      placed = PlaceUnder(*previous_, nullptr, id, caption, is_group);
    } else if (level < previous_level) {
      TreeNode* ancestor = previous_;
      while (ancestor != nullptr && ancestor->Depth() > level) ancestor = ancestor->parent();
      if (ancestor != nullptr && ancestor->parent() != nullptr) {
        placed = PlaceUnder(*ancestor->parent(), nullptr, id, caption, is_group);
      }
    }
  }
  // A line more than one level deeper has no parent: its record is kept,
  // no node is made.
  if (placed != nullptr) previous_ = placed;
}

bool StationImport::Next() {
  if (next_line_ >= file_lines_.size()) return false;
  position_ = static_cast<int>(next_line_);
  std::string_view line = file_lines_[next_line_++];
  std::size_t indent = 0;
  while (indent < line.size() && IsIndent(line[indent])) ++indent;
  if (indent == line.size()) return true;  // blank
  const int level = static_cast<int>(indent) + target_level_ + level_offset_;
  std::string_view rest = line.substr(indent);

  if (rest.find('\t') == rest.npos) {
    Place(level, kNewGroupID, std::string(rest), true);
    return true;
  }
  const std::string first = FirstField(rest);
  if (const std::optional<int> id = ParseInteger(TrimBlanks(first)); id && *id > 0) {
    rest.remove_prefix(first.size() + 1);
  }
  const std::string name = FirstField(rest);
  const std::string urls = LastField(rest);
  // Nothing to know the station by: it could only be appended anew on
  // every import.
  if (name.empty() && AddressKeys(urls).empty()) return true;
  const int id = StoreStation(rest, name, urls);
  Place(level, id, name, false);
  return true;
}

bool StationImport::Finish(bool stopped) {
  position_ = maximum_;
  if (!WriteTable()) return false;
  if (!stopped) {
    editor_.SaveTreeChanges();
    SaveSubtree(TopNode(*target_), editor_.data_folder());
  }
  return true;
}

bool StationImport::WriteTable() {
  if (std::none_of(replaced_lines_.begin(), replaced_lines_.end(), [](bool b) { return b; }) && appended_ == 0) {
    return true;
  }
  // Read the table again: a player's learning may have rewritten other
  // records since it was loaded. Replaced records go where their ID is now,
  // new ones at the end; the table is written whole, indexes included.
  UserStationLines now;
  if (!now.Load(editor_.data_folder())) return false;
  for (std::size_t i = 0; i < loaded_count_; ++i) {
    if (!replaced_lines_[i]) continue;
    const auto it = now.by_id_.find(ids_[i]);
    if (it != now.by_id_.end()) {
      now.lines_[it->second] = table_.lines_[i];
    } else {
      now.lines_.push_back(table_.lines_[i]);
    }
  }
  for (std::size_t i = loaded_count_; i < table_.lines_.size(); ++i) now.lines_.push_back(table_.lines_[i]);
  const fs::path found = FindNoCase(editor_.data_folder(), "datauser.dat");
  std::error_code ec;
  const fs::path path = fs::exists(found, ec) ? found : editor_.data_folder() / "datauser.dat";
  return WriteTextTable(path, now.lines_);
}

}  // namespace tazmel
