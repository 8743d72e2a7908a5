// tazmel-publish: turns a station list into an update site any static web
// server can host.
#include <cstdio>
#include <ctime>
#include <iostream>
#include <optional>
#include <string>

#include "core/file_utils.h"
#include "core/text_utils.h"
#include "publish.h"
#include "radio_browser.h"

namespace fs = std::filesystem;
using namespace tazmel;

namespace {

constexpr char kUsage[] =
    "usage: tazmel-publish [OPTIONS] (--tsv STATIONS.tsv | --radio-browser STATIONS.json) SITEDIR\n"
    "  --language CODE     data folder and site folder (eng; chs and cht translate with --captions)\n"
    "  --ver VERSION       data version, compared as text (default: the UTC date and time)\n"
    "  --ids FILE          stable station IDs by station UUID (radio-browser; default SITEDIR/ids.tsv)\n"
    "  --captions FILE     group captions in Chinese (the captions.tsv of the sources)\n"
    "  --check-url URL     registration and report address for update.inf\n"
    "  --check-int MIN     report interval in minutes (with --check-url)\n"
    "Writes SITEDIR/CODE/update.inf and SITEDIR/CODE/data-VERSION.zip. Point the\n"
    "player's update host at the address that serves SITEDIR.\n";

int Fail(const std::string& message) {
  std::cerr << "tazmel-publish: " << message << "\n";
  return 2;
}

std::string NowVersion() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d.%H%M%S", &utc);
  return text;
}

}  // namespace

int main(int argc, char* argv[]) {
  publish::SiteOptions options;
  std::string tsv, json, ids_file, captions_file, site;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= argc) return false;
      into = argv[++i];
      return true;
    };
    std::string number;
    bool ok = true;
    if (arg == "-h" || arg == "--help") {
      std::cout << kUsage;
      return 0;
    } else if (arg == "--language") {
      ok = value(options.language);
    } else if (arg == "--ver") {
      ok = value(options.version);
    } else if (arg == "--ids") {
      ok = value(ids_file);
    } else if (arg == "--captions") {
      ok = value(captions_file);
    } else if (arg == "--tsv") {
      ok = value(tsv);
    } else if (arg == "--radio-browser") {
      ok = value(json);
    } else if (arg == "--check-url") {
      ok = value(options.check_url);
    } else if (arg == "--check-int") {
      ok = value(number);
      const std::optional<int> minutes = ParseInteger(number);
      ok = ok && minutes && *minutes >= 0;
      if (ok) options.check_interval = *minutes;
    } else if (arg.starts_with("--") || !site.empty()) {
      return Fail("unexpected argument " + arg + "\n" + kUsage);
    } else {
      site = arg;
    }
    if (!ok) return Fail("missing or bad value for " + arg);
  }
  if (site.empty() || tsv.empty() == json.empty())
    return Fail(std::string("one station list and SITEDIR needed\n") + kUsage);
  if (options.version.empty()) options.version = NowVersion();

  std::string error;
  data_tool::CaptionTable captions;
  if (!captions_file.empty()) {
    std::optional<data_tool::CaptionTable> read = data_tool::ReadCaptions(captions_file, error);
    if (!read) return Fail(error);
    captions = std::move(*read);
  }
  data_tool::StationSource source;
  if (!tsv.empty()) {
    std::optional<data_tool::StationSource> read =
        data_tool::ReadStationSource(tsv, data_tool::SourceText::kUtf8, error);
    if (!read) return Fail(error);
    source = std::move(*read);
  } else {
    const std::optional<std::string> text = ReadWholeFile(json);
    if (!text) return Fail("cannot read " + json);
    if (ids_file.empty()) ids_file = (fs::path(site) / "ids.tsv").string();
    publish::IdTable ids;
    if (!ids.Load(ids_file, error)) return Fail(error);
    publish::ImportCounts counts;
    std::optional<std::vector<StationRecord>> stations = publish::ReadRadioBrowser(*text, ids, counts, error);
    if (!stations) return Fail(error);
    std::error_code ec;
    fs::create_directories(fs::path(ids_file).parent_path().empty() ? "." : fs::path(ids_file).parent_path(), ec);
    if (!ids.Save(ids_file)) return Fail("cannot write " + ids_file);
    source.stations = std::move(*stations);
    source.channels = counts.most_voted;
    std::cerr << "tazmel-publish: " << source.stations.size() << " stations of " << counts.read << " ("
              << counts.failed_check << " failed their last check, " << counts.unusable << " unusable, "
              << counts.duplicates << " repeated)\n";
  }
  if (source.stations.empty()) return Fail("no stations to publish");
  if (!publish::PublishSite(source, captions, options, site, error)) return Fail(error);
  std::cout << (fs::path(site) / options.language / "update.inf").string() << "\n";
  return 0;
}
