// How long the tree generator takes to file a large directory: 50 000
// system stations and 5 000 user stations by genre, country and city.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "core/system.h"
#include "stations/radio_table.h"
#include "stations/text_table.h"
#include "stations/tree_editor.h"
#include "stations/tree_generator.h"

namespace {

namespace fs = std::filesystem;

constexpr int kSystemStations = 50000;
constexpr int kUserStations = 5000;
constexpr int kValues = 60;

class NoPrompts : public tazmel::UserPrompts {
 public:
  bool AskQuestion(std::string_view) override { return false; }
  void ShowInfo(std::string_view) override {}
};

// A data folder with both tables, built once and removed when the program
// ends. Genres, countries and languages are drawn independently; each
// country draws its cities from six of the sixty, as real places cluster.
class BenchFolder {
 public:
  BenchFolder() {
    std::string pattern = (fs::temp_directory_path() / "tazmel-gen-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
    std::mt19937 random(20240601);
    std::vector<std::string> system;
    std::vector<std::string> user;
    for (int i = 1; i <= kSystemStations; ++i) system.push_back(tazmel::ScrambleLine(Line(i, random)));
    for (int i = 1; i <= kUserStations; ++i) user.push_back(Line(tazmel::kFirstUserStationID + i - 1, random));
    if (!tazmel::WriteTextTable(path_ / "data.dat", system) || !tazmel::WriteTextTable(path_ / "datauser.dat", user)) {
      std::abort();
    }
  }
  ~BenchFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  static std::string Line(int id, std::mt19937& random) {
    std::uniform_int_distribution<int> value(0, kValues - 1);
    std::uniform_int_distribution<int> near(0, 5);
    tazmel::StationRecord r;
    r.VID = std::to_string(id);
    r.VRadioName = "Radio \xD6\xD0\xCE\xC4 " + std::to_string(id);
    r.VGenre = "Genre " + std::to_string(value(random));
    const int country = value(random);
    r.VCountry = "Country " + std::to_string(country);
    r.VCity = "City " + std::to_string((country * 6 + near(random)) % kValues);
    r.VLanguage = "Language " + std::to_string(value(random));
    r.VFormat = std::to_string(value(random) % 5);
    r.VSpeed = std::to_string(32 * (1 + value(random) % 8)) + "K";
    r.VHomepage = "http://example.net/" + r.VID;
    r.VStreamURL = "http://127.0.0.1:8000/" + r.VID + "||http://127.0.0.1:8001/" + r.VID;
    return tazmel::FormatStationLine(r);
  }

  fs::path path_;
};

const BenchFolder& Folder() {
  static const BenchFolder folder;
  return folder;
}

void BM_Generator(benchmark::State& state) {
  const fs::path& folder = Folder().path();
  NoPrompts prompts;
  tazmel::TreeGeneratorOptions options;
  options.levels = {tazmel::GeneratorLevel::kGenre, tazmel::GeneratorLevel::kCountry, tazmel::GeneratorLevel::kCity};
  options.tables = tazmel::GeneratorTables::kAll;
  tazmel::TreeGenerator generator;
  int records = 0;
  generator.on_progress = [&](int, int) { ++records; };
  generator.pump_events = [] {};
  int nodes = 0;
  for (auto _ : state) {
    auto editor = std::make_unique<tazmel::TreeEditor>(folder, prompts);
    if (!generator.Run(*editor, options)) state.SkipWithError("generation stopped");
    state.PauseTiming();
    nodes = editor->tree().NodeCount();
    editor.reset();
    state.ResumeTiming();
  }
  state.counters["records"] = static_cast<double>(records) / static_cast<double>(state.iterations());
  state.counters["nodes"] = nodes;
}
BENCHMARK(BM_Generator)->Unit(benchmark::kMillisecond)->Iterations(5);

// The floor under the generator: only reading every record of both tables
// as a run does, without building any tree.
void BM_ReadTables(benchmark::State& state) {
  const fs::path& folder = Folder().path();
  for (auto _ : state) {
    tazmel::TRadioTable table;
    for (const auto& [name, scrambled] : {std::pair{"data.dat", true}, std::pair{"datauser.dat", false}}) {
      table.SetTableName(folder / name);
      table.SetEncry(scrambled);
      if (!table.Open()) state.SkipWithError("table did not open");
      const int count = table.RecordCount();
      for (int record = 1; record <= count; ++record) table.LoadRecord(record);
      benchmark::DoNotOptimize(table.Fields());
      table.Close();
    }
  }
}
BENCHMARK(BM_ReadTables)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
