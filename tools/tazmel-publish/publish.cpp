#include "publish.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/file_utils.h"
#include "online/sha256.h"
#include "online/zip_writer.h"

namespace fs = std::filesystem;

namespace tazmel::publish {
namespace {

// 2007-11-06 00:00 UTC as 100-ns ticks since 1601-01-01.
constexpr std::uint64_t kFixedFileTime = (11644473600ull + 1194307200ull) * 10000000ull;

}  // namespace

bool IsVersionText(const std::string& version) {
  return !version.empty() && version.size() <= 64 && std::all_of(version.begin(), version.end(), [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' || c == '-' ||
           c == '_';
  }) && version.front() != '.';
}

bool PublishSite(const data_tool::StationSource& source, const data_tool::CaptionTable& captions,
                 const SiteOptions& options, const fs::path& site, std::string& error) {
  if (!IsVersionText(options.version)) {
    error = "the version must be letters, digits, \".\", \"-\" or \"_\"";
    return false;
  }
  const std::string& code = options.language;
  if (code.empty() || code.find_first_of("/\\.") != std::string::npos) {
    error = "not a language code: " + code;
    return false;
  }
  const fs::path folder = site / code;
  const fs::path build = site / ("." + code + ".build");
  std::error_code ec;
  fs::remove_all(build, ec);
  // Captions are translated only where the caption table covers the
  // language; otherwise the groups keep their English names.
  const bool translate = (code == "chs" || code == "cht") && !captions.empty();
  if (!data_tool::WriteDefaultData(source, captions, translate ? code : "eng", build, error)) {
    fs::remove_all(build, ec);
    return false;
  }
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(build, ec)) {
    const std::string name = entry.path().filename().string();
    // The user's own table and tree list are never delivered.
    if (name != "datauser.dat" && name != "treeuser.dat") names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  ZipWriter zip;
  zip.Add("data/", "", ZipWriter::Method::kStored, 040755);
  zip.Add("data/" + code + "/", "", ZipWriter::Method::kStored, 040755);
  for (const std::string& name : names) {
    const std::optional<std::string> bytes = ReadWholeFile(build / name);
    if (!bytes) {
      error = "cannot read " + (build / name).string();
      fs::remove_all(build, ec);
      return false;
    }
    std::string data = *bytes;
    // The offset index ends with the table's write time: a fixed one keeps
    // the archive the same from run to run (delivered tables are trusted as
    // they come, so the time is not compared).
    if (name == "data.idp" && data.size() >= 8) {
      std::uint64_t ticks = kFixedFileTime;
      for (std::size_t i = data.size() - 8; i < data.size(); ++i, ticks >>= 8)
        data[i] = static_cast<char>(ticks & 0xFF);
    }
    zip.Add("data/" + code + "/" + name, data);
  }
  fs::remove_all(build, ec);
  const std::string archive = zip.Finish();
  const std::string archive_name = "data-" + options.version + ".zip";
  std::string inf = "[Data]\r\nVer=" + options.version + "\r\nUrl=" + archive_name +
                    "\r\nSize=" + std::to_string(archive.size()) + "\r\nSha256=" + Sha256Hex(archive) + "\r\n";
  if (!options.check_url.empty()) {
    inf += "\r\n[Check]\r\nUrl=" + options.check_url + "\r\nInt=" + std::to_string(options.check_interval) + "\r\n";
  }
  fs::create_directories(folder, ec);
  // The archive goes first: update.inf never names one that is not there.
  if (!WriteFileAtomically(folder / archive_name, archive) || !WriteFileAtomically(folder / "update.inf", inf)) {
    error = "cannot write into " + folder.string();
    return false;
  }
  return true;
}

}  // namespace tazmel::publish
