#include "online/data_install.h"

#include <algorithm>
#include <set>

#include "core/file_utils.h"
#include "core/text_utils.h"
#include "stations/station_tree.h"
#include "stations/text_table.h"
#include "stations/tree_files.h"

namespace fs = std::filesystem;

namespace tazmel {
namespace {

constexpr std::string_view kTableFiles[] = {"data.dat", "data.idp", "data.idi"};
constexpr std::string_view kUserFiles[] = {"datauser.dat", "datauser.idp", "datauser.idi",
                                           "treeuser.dat", "user.ini",     "tazmel.ini"};

bool IsTableFile(std::string_view lower) {
  return std::find(std::begin(kTableFiles), std::end(kTableFiles), lower) != std::end(kTableFiles);
}

// No component may be empty, "." or "..", and no byte may be one that
// another system reads as a separator or a drive.
bool IsCleanPath(std::string_view name) {
  if (name.empty() || name.front() == '/') return false;
  if (name.find_first_of("\\:") != std::string_view::npos) return false;
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < ' ') return false;
  }
  std::string_view rest = name;
  if (rest.back() == '/') rest.remove_suffix(1);
  while (true) {
    const std::size_t slash = rest.find('/');
    const std::string_view part = rest.substr(0, slash);
    if (part.empty() || part == "." || part == "..") return false;
    if (slash == std::string_view::npos) return true;
    rest.remove_prefix(slash + 1);
  }
}

// Lower-case file names the archive must not bring, and the lists it brings
// only when the user has none yet.
void UserNames(const fs::path& data_folder, std::set<std::string>& forbidden, std::set<std::string>& keep) {
  for (const std::string_view name : kUserFiles) forbidden.emplace(name);
  keep = {"favorites.dat", "recent.dat"};
  StationTree tree;
  LoadTopLists(tree, data_folder);
  for (int i = 0; i < tree.TopCount(); ++i) {
    const TreeNode& top = *tree.Top(i);
    const std::string file = AsciiLowerCopy(top.file_name());
    if (file.empty()) continue;
    if (IsUserTreeID(top.id_text())) {
      forbidden.insert(file);
    } else if (const int id = NodeID(top); id == kFavoritesID || id == kRecentlyPlayedID) {
      keep.insert(file);
    }
  }
}

bool Exists(const fs::path& folder, std::string_view name) {
  std::error_code ec;
  return fs::exists(FindNoCase(folder, name), ec);
}

// Files go in this order: a reader of the tree list finds every subtree
// file it names, and the table comes after its index.
int CommitRank(const std::string& lower) {
  if (lower == "data.idi" || lower == "data.idp") return 0;
  if (lower == "data.dat") return 1;
  if (lower == "treesys.dat") return 3;
  return 2;
}

}  // namespace

ArchivePlan PlanArchive(std::vector<ZipEntry> entries, const std::string& language_code, const fs::path& data_folder) {
  ArchivePlan plan;
  auto refuse = [&plan](std::string why) {
    plan.files.clear();
    plan.error = std::move(why);
    return std::move(plan);
  };
  if (language_code.empty() || !IsCleanPath(language_code) || language_code.find('/') != std::string::npos) {
    return refuse("no language code");
  }
  const std::string prefix = "data/" + AsciiLowerCopy(language_code) + "/";
  std::set<std::string> forbidden;
  std::set<std::string> keep;
  UserNames(data_folder, forbidden, keep);

  std::set<std::string> seen;
  int table_files = 0;
  for (ZipEntry& entry : entries) {
    const std::string& name = entry.name;
    if (!IsCleanPath(name)) return refuse("unsafe name: " + name);
    const std::string lower = AsciiLowerCopy(name);
    if (!seen.insert(lower.back() == '/' ? lower.substr(0, lower.size() - 1) : lower).second) {
      return refuse("repeated name: " + name);
    }
    if (entry.kind == ZipEntry::Kind::kFolder) {
      if (lower == "data/" || lower == prefix) continue;
      return refuse("unexpected folder: " + name);
    }
    if (entry.kind != ZipEntry::Kind::kFile) return refuse("not a regular file: " + name);
    if (!lower.starts_with(prefix)) return refuse("outside " + prefix + ": " + name);
    const std::string file = name.substr(prefix.size());
    const std::string file_lower = lower.substr(prefix.size());
    if (file.find('/') != std::string::npos) return refuse("below a folder of " + prefix + ": " + name);
    if (forbidden.contains(file_lower)) return refuse("the user's own file: " + name);
    if (IsTableFile(file_lower)) {
      ++table_files;
    } else if (file_lower != "treesys.dat" && !IsSubtreeFileName(file)) {
      return refuse("not a station data file: " + name);
    }
    if (keep.contains(file_lower) && Exists(data_folder, file)) continue;
    plan.files.push_back({file, std::move(entry.data)});
  }
  if (table_files != 0 && table_files != 3) return refuse("the station table comes without its index files");
  if (plan.files.empty()) return refuse("no station data in the archive");
  return plan;
}

fs::path StagingFolder(const fs::path& data_folder) {
  fs::path folder = data_folder;
  folder += ".staging";
  return folder;
}

bool StageArchive(const ArchivePlan& plan, const fs::path& staging, std::string& error) {
  std::error_code ec;
  fs::remove_all(staging, ec);
  auto fail = [&](std::string why) {
    error = std::move(why);
    fs::remove_all(staging, ec);
    return false;
  };
  if (!fs::create_directories(staging, ec)) return fail("cannot create " + staging.string());
  bool has_table = false;
  for (const StagedFile& file : plan.files) {
    if (!WriteFileAtomically(staging / file.name, file.data)) return fail("cannot write " + file.name);
    has_table = has_table || EqualsNoCase(file.name, "data.dat");
  }
  if (has_table) {
    const std::string mismatch = VerifyTextTable(FindNoCase(staging, "data.dat"), true);
    if (!mismatch.empty()) return fail("the station table does not match its index: " + mismatch);
  }
  return true;
}

bool CommitStaged(const fs::path& staging, const fs::path& data_folder, std::string& error) {
  std::error_code ec;
  std::vector<fs::path> staged;
  for (const fs::directory_entry& entry : fs::directory_iterator(staging, ec)) staged.push_back(entry.path());
  if (ec || staged.empty()) {
    error = "nothing staged in " + staging.string();
    return false;
  }
  std::stable_sort(staged.begin(), staged.end(), [](const fs::path& a, const fs::path& b) {
    return CommitRank(AsciiLowerCopy(a.filename().string())) < CommitRank(AsciiLowerCopy(b.filename().string()));
  });
  fs::create_directories(data_folder, ec);
  for (const fs::path& from : staged) {
    const std::string name = from.filename().string();
    fs::path to = FindNoCase(data_folder, name);
    if (!fs::exists(to, ec)) to = data_folder / name;
    fs::rename(from, to, ec);
    if (ec) {
      error = "cannot move " + name + " into " + data_folder.string() + ": " + ec.message();
      return false;
    }
  }
  fs::remove_all(staging, ec);
  return true;
}

}  // namespace tazmel
