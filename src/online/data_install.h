#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "online/zip_reader.h"

namespace tazmel {

// Installing a station-data archive happens in two steps: the worker checks
// the archive and writes what it installs to a staging folder beside the
// data folder; the user-interface thread then renames the staged files into
// place, between two reads of the tree, so no table is ever seen beside an
// index of another version.

// One file the archive brings, with its plain name inside data/<code>/.
struct StagedFile {
  std::string name;
  std::string data;
};

struct ArchivePlan {
  std::vector<StagedFile> files;
  std::string error;  // empty when the archive may be installed
  bool ok() const { return error.empty(); }
};

// Decides what of an archive gets installed into `data_folder`
// (<program>/data/<code>). The whole archive is refused when any entry is
// absolute, holds "..", "." or "\", repeats (ASCII case ignored), is not a
// regular file (only the folders data/ and data/<code>/ may be listed), lies
// outside data/<code>/ or below a folder of it, or names the user's table,
// the user's tree list or a subtree file of one of the user's trees; the
// system table comes with both its index files or not at all. The user's
// favourites and recently played lists that already exist are kept.
ArchivePlan PlanArchive(std::vector<ZipEntry> entries, const std::string& language_code,
                        const std::filesystem::path& data_folder);

// <data folder>.staging: where the worker puts the files.
std::filesystem::path StagingFolder(const std::filesystem::path& data_folder);

// Writes the plan's files to a fresh staging folder and checks a staged
// system table against its index files. False (staging removed) when
// anything fails.
bool StageArchive(const ArchivePlan& plan, const std::filesystem::path& staging, std::string& error);

// Moves every staged file into the data folder (created when missing),
// index files first, the tree list last, then removes the staging folder.
// Names already present are replaced whatever their case.
bool CommitStaged(const std::filesystem::path& staging, const std::filesystem::path& data_folder, std::string& error);

}  // namespace tazmel
