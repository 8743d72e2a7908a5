// Goals: Add Folder over 10 000 files in nested folders <= 1 s; the MPEG
// information of a 10-minute VBR file <= 5 ms; Tazmel.m3u of 10 000 rows
// loads <= 50 ms.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "music/mpeg_info.h"
#include "music/music_list.h"
#include "playback/media_kind.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

// 100 folders of 100 files each, a tenth of them not playable, two levels
// deep.
const std::filesystem::path& MusicTree() {
  static test::TempDir dir;
  static bool made = false;
  if (!made) {
    for (int a = 0; a < 10; ++a) {
      for (int b = 0; b < 10; ++b) {
        const auto folder = dir / ("artist " + std::to_string(a)) / ("album " + std::to_string(b));
        std::filesystem::create_directories(folder);
        for (int t = 0; t < 100; ++t) {
          std::ofstream(folder / ("track " + std::to_string(t) + (t % 10 == 0 ? ".jpg" : ".mp3"))) << "x";
        }
      }
    }
    made = true;
  }
  return dir.path();
}

void BM_AddFolder10000(benchmark::State& state) {
  const std::string root = MusicTree().string();
  for (auto _ : state) {
    MusicList list(IsPlayableFileName);
    benchmark::DoNotOptimize(list.AddPaths({root}, -1));
  }
}
BENCHMARK(BM_AddFolder10000)->Unit(benchmark::kMillisecond);

void BM_LoadPlaylist10000(benchmark::State& state) {
  static test::TempDir dir;
  const auto file = dir / "Tazmel.m3u";
  MusicList rows;
  for (int i = 0; i < 10000; ++i)
    rows.InsertRow("/home/user/Music/Artist " + std::to_string(i % 97) + "/Track " + std::to_string(i) + ".mp3", -1);
  rows.Save(file);
  for (auto _ : state) {
    MusicList list;
    list.Load(file, 0);
    benchmark::DoNotOptimize(list.size());
  }
}
BENCHMARK(BM_LoadPlaylist10000)->Unit(benchmark::kMillisecond);

// A 10-minute VBR file made once by sox and lame.
void BM_MpegInfoTenMinuteVbr(benchmark::State& state) {
  static test::TempDir dir;
  const auto mp3 = dir / "long.mp3";
  const std::string command = "sox -n -r 44100 -c 2 -b 16 " + (dir / "long.wav").string() +
                              " synth 600 sine 200-4000 >/dev/null 2>&1 && lame --quiet -V 2 " +
                              (dir / "long.wav").string() + " " + mp3.string() + " >/dev/null 2>&1";
  if (!std::filesystem::exists(mp3) && std::system(command.c_str()) != 0) {
    state.SkipWithError("sox or lame failed");
    return;
  }
  TMPEGData record;
  for (auto _ : state) benchmark::DoNotOptimize(ReadMPEGInfo(record, mp3.string()));
  state.counters["seconds"] = record.Duration;
}
BENCHMARK(BM_MpegInfoTenMinuteVbr)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tazmel
