// tazmel-data: builds, inspects and checks station tables and trees.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "core/code_page.h"
#include "core/file_utils.h"
#include "core/text_utils.h"
#include "station_source.h"
#include "stations/radio_table.h"
#include "stations/text_table.h"
#include "stations/tree_files.h"

namespace fs = std::filesystem;
using namespace tazmel;

namespace {

constexpr char kUsage[] =
    "usage: tazmel-data [--raw] COMMAND ...\n"
    "  build-system STATIONS.tsv OUTDIR   write data.dat (scrambled), data.idp, data.idi\n"
    "  dump [--scrambled] TABLE.dat       print every record as a plain line\n"
    "  get [--scrambled] TABLE.dat ID     print one record; exit 1 when it is missing\n"
    "  check [--scrambled] TABLE.dat      compare the index files with the text file\n"
    "  tree DATAFOLDER                    print the station tree with node IDs\n"
    "  build-default STATIONS.tsv CAPTIONS.tsv LANGUAGE OUTDIR\n"
    "                                     write a language's default station data\n"
    "Text is read and printed as UTF-8; --raw passes the data code page (GB18030)\n"
    "bytes unchanged. data.dat is always taken as scrambled.\n";

struct Options {
  bool raw = false;
  bool scrambled = false;
  std::vector<std::string> args;
};

int Fail(const std::string& message) {
  std::cerr << "tazmel-data: " << message << "\n";
  return 2;
}

std::string Out(std::string_view bytes, const Options& o) { return o.raw ? std::string(bytes) : GbToUtf8(bytes); }

// Printing as UTF-8 shows undecodable bytes as U+FFFD; say so, with the
// record, rather than let the output pass for the table's text.
void WarnUndecodable(std::string_view bytes, const fs::path& table, int record, const Options& o) {
  if (o.raw || IsValidGb(bytes)) return;
  std::cerr << "tazmel-data: " << table.string() << ":" << record
            << ": not valid GB18030 text, shown with U+FFFD (--raw prints the bytes)\n";
}

bool IsScrambled(const fs::path& table, const Options& o) {
  return o.scrambled || AsciiLowerCopy(table.filename().string()) == "data.dat";
}

// Opens an existing table read-only in effect: the index is trusted, so
// nothing is rebuilt or normalised behind the user's back.
bool OpenExisting(TRadioTable& table, const fs::path& path, const Options& o, std::string& error) {
  std::error_code ec;
  for (const fs::path& p : {path, fs::path(path).replace_extension(".idp"), fs::path(path).replace_extension(".idi")}) {
    if (!fs::is_regular_file(p, ec)) {
      error = "no such file: " + p.string();
      return false;
    }
  }
  table.SetTableName(path);
  table.SetEncry(IsScrambled(path, o));
  table.SetNeedCheckIndex(false);
  if (!table.Open()) {
    error = "cannot open " + path.string();
    return false;
  }
  return true;
}

int BuildSystem(const Options& o) {
  if (o.args.size() != 2) return Fail("build-system needs STATIONS.tsv and OUTDIR");
  std::string error;
  const std::optional<data_tool::StationSource> source = data_tool::ReadStationSource(
      o.args[0], o.raw ? data_tool::SourceText::kGb : data_tool::SourceText::kUtf8ToGb, error);
  if (!source) return Fail(error);
  std::vector<std::string> lines;
  for (const StationRecord& s : source->stations) lines.push_back(ScrambleLine(FormatStationLine(s)));
  std::error_code ec;
  fs::create_directories(o.args[1], ec);
  if (!WriteTextTable(fs::path(o.args[1]) / "data.dat", lines)) return Fail("cannot write the table in " + o.args[1]);
  return 0;
}

// A plain table is read as the text it is, so it needs no index files and
// a stale index cannot mislead.
bool ReadPlainLines(const fs::path& path, std::vector<std::string>& lines, std::string& error) {
  const std::optional<std::string> text = ReadWholeFile(path);
  if (!text) {
    error = "cannot read " + path.string();
    return false;
  }
  ForEachLine(*text, [&](std::string_view line) { lines.emplace_back(line); });
  return true;
}

int Dump(const Options& o) {
  if (o.args.size() != 1) return Fail("dump needs TABLE.dat");
  std::string error;
  if (!IsScrambled(o.args[0], o)) {
    std::vector<std::string> lines;
    if (!ReadPlainLines(o.args[0], lines, error)) return Fail(error);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      WarnUndecodable(lines[i], o.args[0], static_cast<int>(i + 1), o);
      std::cout << Out(lines[i], o) << "\n";
    }
    return std::cout.good() ? 0 : Fail("cannot write the output");
  }
  TRadioTable table;
  if (!OpenExisting(table, o.args[0], o, error)) return Fail(error);
  const int count = table.RecordCount();
  for (int record = 1; record <= count; ++record) {
    table.ClearFields();
    table.LoadRecord(record);
    WarnUndecodable(table.FormatRecord(), o.args[0], record, o);
    std::cout << Out(table.FormatRecord(), o) << "\n";
  }
  return std::cout.good() ? 0 : Fail("cannot write the output");
}

int Get(const Options& o) {
  if (o.args.size() != 2) return Fail("get needs TABLE.dat and ID");
  const std::optional<int> id = ParseInteger(o.args[1]);
  if (!id) return Fail("not a station ID: " + o.args[1]);
  std::string error;
  if (!IsScrambled(o.args[0], o)) {
    std::vector<std::string> lines;
    if (!ReadPlainLines(o.args[0], lines, error)) return Fail(error);
    for (const std::string& line : lines) {
      if (TTextTable::RecordKey(line) == *id) {
        std::cout << Out(line, o) << "\n";
        return 0;
      }
    }
    std::cerr << "tazmel-data: no record " << *id << " in " << o.args[0] << "\n";
    return 1;
  }
  TRadioTable table;
  if (!OpenExisting(table, o.args[0], o, error)) return Fail(error);
  if (!table.LoadByID(*id)) {
    std::cerr << "tazmel-data: no record " << *id << " in " << o.args[0] << "\n";
    return 1;
  }
  std::cout << Out(table.FormatRecord(), o) << "\n";
  return 0;
}

int Check(const Options& o) {
  if (o.args.size() != 1) return Fail("check needs TABLE.dat");
  const std::string mismatch = VerifyTextTable(o.args[0], IsScrambled(o.args[0], o));
  if (!mismatch.empty()) {
    std::cerr << "tazmel-data: " << o.args[0] << ": " << mismatch << "\n";
    return 1;
  }
  std::cout << o.args[0] << ": index files match\n";
  return 0;
}

void PrintNode(const TreeNode& node, int depth, const Options& o) {
  std::cout << std::string(2 * static_cast<std::size_t>(depth), ' ') << NodeID(node) << "  " << Out(node.caption(), o);
  if (!node.parent()) std::cout << "  [" << node.file_name() << "]";
  std::cout << "\n";
  for (const auto& child : node.children()) PrintNode(*child, depth + 1, o);
}

int Tree(const Options& o) {
  if (o.args.size() != 1) return Fail("tree needs DATAFOLDER");
  std::error_code ec;
  if (!fs::is_directory(o.args[0], ec)) return Fail("no such folder: " + o.args[0]);
  StationTree tree;
  LoadTopLists(tree, o.args[0]);
  for (int i = 0; i < tree.TopCount(); ++i) {
    LoadSubtree(*tree.Top(i), o.args[0]);
    PrintNode(*tree.Top(i), 0, o);
  }
  return 0;
}

int BuildDefault(const Options& o) {
  if (o.args.size() != 4) return Fail("build-default needs STATIONS.tsv, CAPTIONS.tsv, LANGUAGE and OUTDIR");
  const std::string& language = o.args[2];
  if (language != "eng" && language != "chs" && language != "cht") return Fail("LANGUAGE must be eng, chs or cht");
  std::string error;
  const std::optional<data_tool::StationSource> source =
      data_tool::ReadStationSource(o.args[0], data_tool::SourceText::kUtf8, error);
  if (!source) return Fail(error);
  const std::optional<data_tool::CaptionTable> captions = data_tool::ReadCaptions(o.args[1], error);
  if (!captions) return Fail(error);
  // Everything goes to a fresh folder first, so a failure leaves the old
  // one; an existing folder is replaced only when it is a data folder.
  const fs::path out = o.args[3];
  const fs::path staging = out.string() + ".new";
  const fs::path old = out.string() + ".old";
  std::error_code ec;
  if (fs::exists(out, ec) && !fs::is_empty(out, ec) && !fs::exists(out / "treesys.dat", ec)) {
    return Fail(out.string() + " exists and is not a station data folder");
  }
  fs::remove_all(staging, ec);
  if (!data_tool::WriteDefaultData(*source, *captions, language, staging, error)) {
    fs::remove_all(staging, ec);
    return Fail(error);
  }
  fs::remove_all(old, ec);
  if (fs::exists(out, ec)) fs::rename(out, old, ec);
  if (!ec) fs::rename(staging, out, ec);
  if (ec) return Fail("cannot move " + staging.string() + " to " + out.string() + ": " + ec.message());
  fs::remove_all(old, ec);
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  Options o;
  std::string command;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--raw") {
      o.raw = true;
    } else if (arg == "--scrambled") {
      o.scrambled = true;
    } else if (arg == "-h" || arg == "--help") {
      std::cout << kUsage;
      return 0;
    } else if (arg.starts_with("--")) {
      return Fail("unknown option " + arg + "\n" + kUsage);
    } else if (command.empty()) {
      command = arg;
    } else {
      o.args.push_back(arg);
    }
  }
  if (command == "build-system") return BuildSystem(o);
  if (command == "dump") return Dump(o);
  if (command == "get") return Get(o);
  if (command == "check") return Check(o);
  if (command == "tree") return Tree(o);
  if (command == "build-default") return BuildDefault(o);
  std::cerr << kUsage;
  return 2;
}
