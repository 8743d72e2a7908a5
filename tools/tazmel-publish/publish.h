#pragma once

#include <filesystem>
#include <string>

#include "../tazmel-data/station_source.h"

namespace tazmel::publish {

struct SiteOptions {
  std::string language = "eng";  // the data folder's code: data/<code>/
  std::string version;           // [Data] Ver; also names the archive
  std::string check_url;         // [Check] Url, optional
  int check_interval = 0;        // [Check] Int in minutes
};

// A version text that can name a file: letters, digits, ".", "-", "_".
bool IsVersionText(const std::string& version);

// Writes <site>/<code>/update.inf and <site>/<code>/data-<version>.zip: the
// scrambled system table with its indexes, the tree files (favourites,
// recently played, channels, by genre, country and language) under
// data/<code>/, with its exact size and SHA-256. The same input gives the
// same archive. The user's table is not part of it.
bool PublishSite(const data_tool::StationSource& source, const data_tool::CaptionTable& captions,
                 const SiteOptions& options, const std::filesystem::path& site, std::string& error);

}  // namespace tazmel::publish
