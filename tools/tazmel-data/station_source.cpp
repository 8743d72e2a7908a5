#include "station_source.h"

#include <algorithm>
#include <set>

#include "core/code_page.h"
#include "core/file_utils.h"
#include "core/text_utils.h"
#include "stations/station_tree.h"
#include "stations/text_table.h"
#include "stations/tree_files.h"

namespace tazmel::data_tool {
namespace {

namespace fs = std::filesystem;
constexpr std::uintmax_t kMaxSourceBytes = 256u << 20;

std::vector<std::string> SplitTabs(std::string_view line) {
  std::vector<std::string> fields;
  for (std::size_t at; (at = line.find('\t')) != line.npos; line.remove_prefix(at + 1)) {
    fields.emplace_back(line.substr(0, at));
  }
  fields.emplace_back(line);
  return fields;
}

// Calls `line(number, text)` for every line, CR LF or LF ended.
template <typename F>
void ForEachSourceLine(std::string_view text, F&& line) {
  int number = 0;
  ForEachLine(text, [&](std::string_view current) { line(++number, current); });
}

std::string Location(const fs::path& file, int line) { return file.string() + ":" + std::to_string(line) + ": "; }

// An error naming the line when it is not valid text of that kind.
std::string TextError(std::string_view line, SourceText kind) {
  if (kind == SourceText::kGb) return IsValidGb(line) ? std::string() : "not valid GB18030 text";
  return IsValidUtf8(line) ? std::string() : "not valid UTF-8 text (--raw reads GB18030)";
}

}  // namespace

std::optional<StationSource> ReadStationSource(const fs::path& file, SourceText text_kind, std::string& error) {
  const std::optional<std::string> text = ReadWholeFile(file, kMaxSourceBytes);
  if (!text) {
    error = "cannot read " + file.string();
    return std::nullopt;
  }
  StationSource source;
  std::set<int> ids;
  ForEachSourceLine(*text, [&](int number, std::string_view line) {
    if (!error.empty() || line.empty()) return;
    if (const std::string bad = TextError(line, text_kind); !bad.empty()) {
      error = Location(file, number) + bad;
      return;
    }
    if (line.starts_with('#')) {
      constexpr std::string_view kChannels = "# channels:";
      if (!line.starts_with(kChannels)) return;
      std::string rest(line.substr(kChannels.size()));
      while (!rest.empty()) {
        const std::optional<int> id = ParseInteger(CutFirst(rest, ","));
        if (!id) {
          error = Location(file, number) + "channel list must hold station IDs";
          return;
        }
        source.channels.push_back(*id);
      }
      return;
    }
    std::vector<std::string> fields = SplitTabs(line);
    if (fields.size() != 15) {
      error = Location(file, number) + "expected 15 TAB-separated fields, found " + std::to_string(fields.size());
      return;
    }
    const std::optional<int> id = ParseInteger(fields[0]);
    if (!id || *id < 1 || *id >= kFirstUserStationID) {
      error = Location(file, number) + "VID must be a number from 1 to 100000";
      return;
    }
    if (!ids.insert(*id).second) {
      error = Location(file, number) + "VID " + fields[0] + " appears twice";
      return;
    }
    if (text_kind == SourceText::kUtf8ToGb) {
      // Valid UTF-8 always converts: GB18030 holds every character.
      for (std::string& field : fields) field = Utf8ToGbStrict(field).value_or(field);
    }
    std::string joined = fields[0];
    for (std::size_t i = 1; i < fields.size(); ++i) (joined += '\t') += fields[i];
    source.stations.push_back(ParseStationLine(joined, false));
  });
  if (!error.empty()) return std::nullopt;
  for (int id : source.channels) {
    if (!ids.contains(id)) {
      error = file.string() + ": channel station " + std::to_string(id) + " is not in the file";
      return std::nullopt;
    }
  }
  return source;
}

std::optional<CaptionTable> ReadCaptions(const fs::path& file, std::string& error) {
  const std::optional<std::string> text = ReadWholeFile(file, kMaxSourceBytes);
  if (!text) {
    error = "cannot read " + file.string();
    return std::nullopt;
  }
  CaptionTable captions;
  ForEachSourceLine(*text, [&](int number, std::string_view line) {
    if (!error.empty() || line.empty()) return;
    if (const std::string bad = TextError(line, SourceText::kUtf8); !bad.empty()) {
      error = Location(file, number) + bad;
      return;
    }
    if (line.starts_with('#')) return;
    std::vector<std::string> fields = SplitTabs(line);
    if (fields.size() != 3 || fields[0].empty() || fields[1].empty() || fields[2].empty()) {
      error = Location(file, number) + "expected English, simplified and traditional caption";
      return;
    }
    captions[fields[0]] = {fields[1], fields[2]};
  });
  if (!error.empty()) return std::nullopt;
  return captions;
}

namespace {

// Image indexes of the skin's tree icon list.
constexpr int kStationImage = 0;
constexpr int kGroupImage = 1;

struct TopTree {
  const char* caption;  // English, looked up in the caption table
  int id;
  int image;
  const char* file;
};

constexpr TopTree kFavorites{"Favorites", kFavoritesID, 2, "favorites.dat"};
constexpr TopTree kRecent{"Recently played", kRecentlyPlayedID, 3, "recent.dat"};
constexpr TopTree kChannels{"Channels", kChannelsTreeID, 4, "channels.dat"};
// Editable system trees: their groups may be renamed, the top nodes not.
constexpr TopTree kByGenre{"By genre", -52, 5, "genre.dat"};
constexpr TopTree kByCountry{"By country/region", -53, 6, "country.dat"};
constexpr TopTree kByLanguage{"By language", -54, 7, "language.dat"};

class Translator {
 public:
  Translator(const CaptionTable& captions, const std::string& language) : captions_(captions), language_(language) {}

  // The caption in the language's data code page; English stays as it is.
  std::string operator()(const std::string& english, std::string& error) const {
    if (language_ == "eng") return Utf8ToGb(english);
    auto it = captions_.find(english);
    if (it == captions_.end()) {
      if (error.empty()) error = "no caption translation for \"" + english + "\"";
      return Utf8ToGb(english);
    }
    return Utf8ToGb(language_ == "chs" ? it->second.first : it->second.second);
  }

 private:
  const CaptionTable& captions_;
  std::string language_;
};

std::unique_ptr<TreeNode> Node(std::string caption, int image, int id) {
  return std::make_unique<TreeNode>(std::move(caption), image, -1, id);
}

TreeNode& AddTop(StationTree& tree, const TopTree& top, const Translator& translate, std::string& error) {
  auto node = Node(translate(top.caption, error), top.image, top.id);
  node->set_id_text(std::to_string(top.id));
  node->set_file_name(top.file);
  return tree.AddTop(std::move(node));
}

// Groups stations by one attribute, groups and stations sorted by caption.
void AddGroupedTree(StationTree& tree, const TopTree& top, const std::vector<StationRecord>& stations,
                    std::string StationRecord::*attribute, const Translator& translate, std::string& error) {
  TreeNode& root = AddTop(tree, top, translate, error);
  std::map<std::string, std::vector<const StationRecord*>> groups;
  for (const StationRecord& s : stations) groups[s.*attribute].push_back(&s);
  for (auto& [caption, members] : groups) {
    TreeNode& group = root.AddChild(Node(caption, kGroupImage, kNewGroupID));
    std::stable_sort(members.begin(), members.end(),
                     [](const StationRecord* a, const StationRecord* b) { return a->VRadioName < b->VRadioName; });
    for (const StationRecord* s : members) {
      group.AddChild(Node(s->VRadioName, kStationImage, *ParseInteger(s->VID)));
    }
  }
}

}  // namespace

bool WriteDefaultData(const StationSource& source, const CaptionTable& captions, const std::string& language,
                      const fs::path& folder, std::string& error) {
  const Translator translate(captions, language);
  // The source is UTF-8; the data files hold GB18030. The attribute values
  // follow the captions, so a tree generated later from the table groups
  // under the same words.
  std::vector<StationRecord> stations = source.stations;
  for (StationRecord& s : stations) {
    for (std::string* field : {&s.VGenre, &s.VCountry, &s.VLanguage}) *field = translate(*field, error);
    for (std::string* field : {&s.VRadioName, &s.VState, &s.VCity, &s.VSpeed, &s.VFrequency, &s.VProxy, &s.VHomepage,
                               &s.VSchedule, &s.VStreamURL}) {
      *field = Utf8ToGb(*field);
    }
  }
  if (!error.empty()) return false;

  std::error_code ec;
  fs::create_directories(folder, ec);
  std::vector<std::string> lines;
  for (const StationRecord& s : stations) lines.push_back(ScrambleLine(FormatStationLine(s)));
  if (!WriteTextTable(folder / "data.dat", lines)) {
    error = "cannot write the system table in " + folder.string();
    return false;
  }
  if (!WriteFileAtomically(folder / "datauser.dat", "")) {
    error = "cannot write datauser.dat in " + folder.string();
    return false;
  }

  StationTree tree;
  AddTop(tree, kFavorites, translate, error);
  AddTop(tree, kRecent, translate, error);
  TreeNode& channels = AddTop(tree, kChannels, translate, error);
  for (int id : source.channels) {
    // The source check guarantees each channel ID names a station.
    auto it = std::find_if(stations.begin(), stations.end(),
                           [&](const StationRecord& s) { return ParseInteger(s.VID) == id; });
    if (it != stations.end()) channels.AddChild(Node(it->VRadioName, kStationImage, id));
  }
  AddGroupedTree(tree, kByGenre, stations, &StationRecord::VGenre, translate, error);
  AddGroupedTree(tree, kByCountry, stations, &StationRecord::VCountry, translate, error);
  AddGroupedTree(tree, kByLanguage, stations, &StationRecord::VLanguage, translate, error);
  if (!error.empty()) return false;

  bool ok = SaveTopLists(tree, folder);
  for (int i = 0; i < tree.TopCount(); ++i) ok = SaveSubtree(*tree.Top(i), folder) && ok;
  if (!ok) error = "cannot write the tree files in " + folder.string();
  return ok;
}

}  // namespace tazmel::data_tool
