// The station table on 100 000 records: lookup by ID against SQLite's
// primary-key lookup of the same records, index rebuild, and an update in
// the middle of the file.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "stations/radio_table.h"

namespace {

namespace fs = std::filesystem;
constexpr int kRecords = 100000;

std::string StationLine(int id) {
  const std::string n = std::to_string(id);
  return n + "\tStation " + n + "\tPop\tCountry " + std::to_string(id % 90) + "\t\tCity\tEnglish\t0\t\t128K\t\t\t" +
         "https://station" + n + ".example/\t\thttps://stream" + n + ".example/live.mp3";
}

// One table and one SQLite database with the same records, built once.
struct Data {
  fs::path dir;
  fs::path table;
  fs::path database;
  std::vector<int> lookups;

  Data() {
    std::string pattern = (fs::temp_directory_path() / "tazmel-bench-XXXXXX").string();
    dir = ::mkdtemp(pattern.data());
    table = dir / "datauser.dat";
    database = dir / "stations.sqlite";
    {
      std::ofstream out(table, std::ios::binary);
      for (int id = 1; id <= kRecords; ++id) out << StationLine(id) << "\r\n";
    }
    tazmel::TTextTable t;
    t.SetTableName(table);
    t.Open();
    t.RebuildIndex();

    sqlite3* db = nullptr;
    sqlite3_open(database.c_str(), &db);
    sqlite3_exec(db, "CREATE TABLE stations(id INTEGER PRIMARY KEY, line TEXT); BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO stations VALUES(?, ?)", -1, &insert, nullptr);
    for (int id = 1; id <= kRecords; ++id) {
      const std::string line = StationLine(id);
      sqlite3_bind_int(insert, 1, id);
      sqlite3_bind_text(insert, 2, line.c_str(), static_cast<int>(line.size()), SQLITE_TRANSIENT);
      sqlite3_step(insert);
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);

    std::mt19937 random(7);
    for (int i = 0; i < 4096; ++i) lookups.push_back(1 + static_cast<int>(random() % kRecords));
  }
  ~Data() { fs::remove_all(dir); }
};

Data& Shared() {
  static Data data;
  return data;
}

// A table kept open, as while the player or the tester works through it.
void BM_TableLoadByID(benchmark::State& state) {
  Data& data = Shared();
  tazmel::TRadioTable table;
  table.SetTableName(data.table);
  table.Open();
  std::size_t i = 0;
  for (auto _ : state) {
    table.LoadByID(data.lookups[i++ % data.lookups.size()]);
    benchmark::DoNotOptimize(table.Fields().VStreamURL.data());
  }
}
BENCHMARK(BM_TableLoadByID);

void BM_SqliteLoadByID(benchmark::State& state) {
  Data& data = Shared();
  sqlite3* db = nullptr;
  sqlite3_open_v2(data.database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* select = nullptr;
  sqlite3_prepare_v2(db, "SELECT line FROM stations WHERE id = ?", -1, &select, nullptr);
  std::size_t i = 0;
  std::string line;
  for (auto _ : state) {
    sqlite3_bind_int(select, 1, data.lookups[i++ % data.lookups.size()]);
    if (sqlite3_step(select) == SQLITE_ROW) {
      line.assign(reinterpret_cast<const char*>(sqlite3_column_text(select, 0)), sqlite3_column_bytes(select, 0));
    }
    sqlite3_reset(select);
    benchmark::DoNotOptimize(line.data());
  }
  sqlite3_finalize(select);
  sqlite3_close(db);
}
BENCHMARK(BM_SqliteLoadByID);

// Open, look up, close: how the program reaches a station when it plays one.
void BM_TableOpenLoadClose(benchmark::State& state) {
  Data& data = Shared();
  tazmel::TRadioTable table;
  table.SetTableName(data.table);
  std::size_t i = 0;
  for (auto _ : state) {
    table.Open();
    table.LoadByID(data.lookups[i++ % data.lookups.size()]);
    table.Close();
  }
}
BENCHMARK(BM_TableOpenLoadClose);

void BM_SqliteOpenLoadClose(benchmark::State& state) {
  Data& data = Shared();
  std::size_t i = 0;
  for (auto _ : state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(data.database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(db, "SELECT line FROM stations WHERE id = ?", -1, &select, nullptr);
    sqlite3_bind_int(select, 1, data.lookups[i++ % data.lookups.size()]);
    sqlite3_step(select);
    benchmark::DoNotOptimize(sqlite3_column_text(select, 0));
    sqlite3_finalize(select);
    sqlite3_close(db);
  }
}
BENCHMARK(BM_SqliteOpenLoadClose);

void BM_RebuildIndex(benchmark::State& state) {
  Data& data = Shared();
  tazmel::TTextTable table;
  table.SetTableName(data.table);
  table.Open();
  for (auto _ : state) benchmark::DoNotOptimize(table.RebuildIndex());
  state.SetLabel("100000 records");
}
BENCHMARK(BM_RebuildIndex)->Unit(benchmark::kMillisecond);

// Alternating lengths, so every round moves the second half of the file.
void BM_UpdateRecordMiddle(benchmark::State& state) {
  Data& data = Shared();
  tazmel::TTextTable table;
  table.SetTableName(data.table);
  table.Open();
  const std::string base = StationLine(kRecords / 2);
  bool longer = false;
  for (auto _ : state) {
    longer = !longer;
    benchmark::DoNotOptimize(table.UpdateRecord(kRecords / 2, longer ? base + "||https://extra.example/" : base));
  }
}
BENCHMARK(BM_UpdateRecordMiddle)->Unit(benchmark::kMillisecond);

}  // namespace
