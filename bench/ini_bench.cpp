// How long the settings-sized and worst-case INI files take to read.
#include <benchmark/benchmark.h>

#include <string>

#include "core/ini_file.h"

namespace {

std::string SettingsLikeFile(int sections, int keys) {
  std::string text;
  for (int s = 0; s < sections; ++s) {
    text += "[Section" + std::to_string(s) + "]\r\n";
    for (int k = 0; k < keys; ++k) text += "Key" + std::to_string(k) + "=" + std::to_string(k * 31) + "\r\n";
  }
  return text;
}

// Parse plus one lookup near the end, the way start-up reads a setting.
void BM_ParseAndRead(benchmark::State& state) {
  const std::string text = SettingsLikeFile(static_cast<int>(state.range(0)), 30);
  const std::string last = "Section" + std::to_string(state.range(0) - 1);
  for (auto _ : state) {
    tazmel::IniFile ini = tazmel::IniFile::FromText(text);
    benchmark::DoNotOptimize(ini.ReadInteger(last, "Key29", 0));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ParseAndRead)->Arg(10)->Arg(1000);

// The whole settings save: every key written into a loaded file.
void BM_WriteAllKeys(benchmark::State& state) {
  const std::string text = SettingsLikeFile(10, 30);
  for (auto _ : state) {
    tazmel::IniFile ini = tazmel::IniFile::FromText(text);
    for (int s = 0; s < 10; ++s) {
      for (int k = 0; k < 30; ++k) ini.WriteInteger("Section" + std::to_string(s), "Key" + std::to_string(k), k);
    }
    benchmark::DoNotOptimize(ini.Text());
  }
}
BENCHMARK(BM_WriteAllKeys);

}  // namespace
