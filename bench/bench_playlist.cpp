// The station tree pane on a large directory: 50 000 system stations filed
// by the tree generator, one genre holding 20 000 of them. Times opening the
// pane and expanding that group until its rows are painted, Find Next over
// every node, and paging through the open group (one painted frame each).
// Runs on Qt's offscreen platform.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <QApplication>
#include <QEvent>
#include <QScrollBar>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/playlist_controller.h"
#include "core/ini_file.h"
#include "core/program_paths.h"
#include "core/system.h"
#include "stations/radio_table.h"
#include "stations/text_table.h"
#include "stations/tree_editor.h"
#include "stations/tree_files.h"
#include "stations/tree_generator.h"
#include "ui/playlist/radio_tree_model.h"
#include "ui/playlist/radio_tree_view.h"
#include "ui/skins/skin_state.h"

namespace {

namespace fs = std::filesystem;

constexpr int kStations = 50000;
constexpr int kBigGroup = 20000;
constexpr char kBigGenre[] = "Big genre";

class Prompts : public tazmel::UserPrompts {
 public:
  bool AskQuestion(std::string_view) override { return true; }
  void ShowInfo(std::string_view) override { ++infos; }
  int infos = 0;
};

// The program folder: data/eng holds the system table and the tree files the
// generator made, filed by genre (2 in 5 stations share one genre, the rest
// spread over 60).
class BenchFolder {
 public:
  BenchFolder() : paths_(MakeFolder()) {
    paths_.SetLanguageCode("eng");
    const fs::path data = paths_.DataFolder();
    std::vector<std::string> lines;
    for (int i = 1; i <= kStations; ++i) lines.push_back(tazmel::ScrambleLine(Line(i)));
    if (!tazmel::WriteTextTable(data / "data.dat", lines)) std::abort();
    Prompts prompts;
    tazmel::TreeEditor editor(data, prompts);
    tazmel::TreeGenerator generator;
    generator.pump_events = [] {};
    tazmel::TreeGeneratorOptions options;
    options.group_name = "By genre";
    options.levels[0] = tazmel::GeneratorLevel::kGenre;
    options.tables = tazmel::GeneratorTables::kSystem;
    if (!generator.Run(editor, options)) std::abort();
    editor.SaveTreeChanges();
  }
  ~BenchFolder() {
    std::error_code ec;
    fs::remove_all(paths_.ProgramFolder(), ec);
  }
  const tazmel::ProgramPaths& paths() const { return paths_; }

 private:
  static fs::path MakeFolder() {
    std::string pattern = (fs::temp_directory_path() / "tazmel-playlist-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    fs::create_directories(fs::path(pattern) / "data" / "eng");
    return pattern;
  }
  static std::string Line(int id) {
    tazmel::StationRecord r;
    r.VID = std::to_string(id);
    r.VRadioName = "Radio \xD6\xD0\xCE\xC4 " + std::to_string(id);
    r.VGenre = id % 5 < 2 ? std::string(kBigGenre) : "Genre " + std::to_string(id % 60);
    r.VCountry = "Country " + std::to_string(id % 40);
    r.VHomepage = "http://example.net/" + r.VID;
    r.VStreamURL = "http://127.0.0.1:8000/" + r.VID;
    return tazmel::FormatStationLine(r);
  }

  tazmel::ProgramPaths paths_;
};

const BenchFolder& Folder() {
  static const BenchFolder folder;
  return folder;
}

const tazmel::SkinState* Skin() {
  static tazmel::SkinState skin;
  static const bool loaded = skin.LoadSkin(fs::path(TAZMEL_STAGE_DIR) / "Skins", "Default");
  return loaded ? &skin : nullptr;
}

// Counts the paints of the rows, to show that every timed frame drew.
class PaintCount : public QObject {
 public:
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

// One pane on the folder's tree, as the program has it.
struct Pane {
  PaintCount painted;
  Prompts prompts;
  tazmel::IniFile language;
  std::unique_ptr<tazmel::TreeEditor> editor;
  std::unique_ptr<tazmel::PlayListController> controller;

  Pane() {
    editor = std::make_unique<tazmel::TreeEditor>(Folder().paths().DataFolder(), prompts);
    editor->ReloadTree(-1, -1);
    controller = std::make_unique<tazmel::PlayListController>(
        tazmel::PlayListParts{.tree = *editor, .paths = Folder().paths(), .language = language, .prompts = prompts},
        tazmel::PlayListHooks{});
    controller->ApplySkin(Skin());
    View().viewport()->installEventFilter(&painted);
    View().resize(300, 600);
    View().show();
    Paint();
  }
  tazmel::TRadioTreeView& View() const { return controller->TreeView(); }
  void Paint() const {
    View().viewport()->repaint();
    QCoreApplication::processEvents();
  }
  tazmel::TreeNode* Top() const { return editor->tree().Top(editor->tree().TopCount() - 1); }
  tazmel::TreeNode* BigGroup() const {
    for (const auto& child : Top()->children()) {
      if (child->caption() == kBigGenre) return child.get();
    }
    return nullptr;
  }
  void Expand(const tazmel::TreeNode* node) const {
    View().expand(View().Model().IndexOf(node));
    Paint();
  }
};

// Opening the pane on the tree files, expanding the generated top node (its
// subtree file is read then) and the group of 20 000, painted.
void BM_OpenAndExpandGroup(benchmark::State& state) {
  Folder();
  int rows = 0;
  int paints = 0;
  for (auto _ : state) {
    Pane pane;
    pane.Expand(pane.Top());
    tazmel::TreeNode* big = pane.BigGroup();
    if (big == nullptr) state.SkipWithError("no big group");
    pane.Expand(big);
    state.PauseTiming();
    rows = pane.View().Model().rowCount(pane.View().Model().IndexOf(big));
    paints += pane.painted.paints;
    state.ResumeTiming();
  }
  state.counters["group_rows"] = rows;
  state.counters["paints_per_run"] = static_cast<double>(paints) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_OpenAndExpandGroup)->Unit(benchmark::kMillisecond)->Iterations(10);

// Expanding the group of 20 000 alone, its subtree already in memory.
void BM_ExpandLoadedGroup(benchmark::State& state) {
  Pane pane;
  pane.Expand(pane.Top());
  const tazmel::TreeNode* big = pane.BigGroup();
  const QModelIndex index = pane.View().Model().IndexOf(big);
  for (auto _ : state) {
    pane.View().expand(index);
    pane.Paint();
    state.PauseTiming();
    pane.View().collapse(index);
    pane.Paint();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ExpandLoadedGroup)->Unit(benchmark::kMillisecond)->Iterations(20);

// Find Next from the first node over all 50 000 station nodes and the
// groups, through the controller as the menu runs it: a text no caption
// holds, so the walk goes to the end and says Cannot Find.
void BM_FindNextAcrossTree(benchmark::State& state) {
  Pane pane;
  pane.Expand(pane.Top());
  for (const auto& top : pane.editor->tree().top_nodes()) pane.editor->EnsureLoaded(*top);
  pane.View().Model().Refresh();
  pane.editor->Find({.text = "no such station"});
  int nodes = pane.editor->tree().NodeCount();
  for (auto _ : state) {
    pane.editor->Select(pane.editor->tree().First());
    pane.controller->RunMenuCommand(QStringLiteral("nFindNext"));
    pane.Paint();
  }
  state.counters["nodes"] = nodes;
  state.counters["cannot_find"] = pane.prompts.infos;
}
BENCHMARK(BM_FindNextAcrossTree)->Unit(benchmark::kMillisecond)->Iterations(20);

// Paging down through the open group: one page step and one painted frame
// per iteration, against the 16.7 ms of a 60 Hz display.
void BM_ScrollPageByPage(benchmark::State& state) {
  Pane pane;
  pane.Expand(pane.Top());
  pane.Expand(pane.BigGroup());
  QScrollBar* bar = pane.View().verticalScrollBar();
  int frames = 0;
  for (auto _ : state) {
    if (bar->value() >= bar->maximum()) bar->setValue(0);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    pane.Paint();
    ++frames;
  }
  state.counters["frames"] = frames;
  state.counters["paints"] = pane.painted.paints;
  state.counters["rows_per_page"] = bar->pageStep();
  state.counters["max_first_row"] = bar->maximum();
}
BENCHMARK(BM_ScrollPageByPage)->Unit(benchmark::kMillisecond)->Iterations(500);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
