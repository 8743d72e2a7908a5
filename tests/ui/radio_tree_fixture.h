#pragma once

// A small data folder with real tree files for the tree pane's tests: four
// system trees (Favorites, a locked one, one by genre, one whose subtree file
// is missing) and one user tree, none of them loaded until opened, and a user
// station table for the hints.

#include <QAbstractItemModelTester>
#include <QLoggingCategory>
#include <QStringList>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "core/code_page.h"
#include "core/program_paths.h"
#include "fake_prompts.h"
#include "stations/station_tree.h"
#include "stations/tree_editor.h"
#include "temp_dir.h"
#include "ui/qt_app.h"

namespace tazmel::test {

inline std::string CrLf(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// The model tester reports through Qt's log; every "FAIL!" line is kept.
class ModelTesterLog {
 public:
  ModelTesterLog() {
    Failures().clear();
    previous_ = qInstallMessageHandler(&ModelTesterLog::Handle);
  }
  ~ModelTesterLog() { qInstallMessageHandler(previous_); }
  static QStringList& Failures() {
    static QStringList failures;
    return failures;
  }

 private:
  static void Handle(QtMsgType, const QMessageLogContext&, const QString& message) {
    if (message.contains(QStringLiteral("FAIL"))) Failures() << message;
  }
  QtMessageHandler previous_ = nullptr;
};

class RadioTreeFixture {
 public:
  RadioTreeFixture() : paths_(dir_.path()) {
    QtApp();
    paths_.SetLanguageCode("eng");
    const std::filesystem::path data = dir_ / "data" / "eng";
    WriteFile(data / "treesys.dat", CrLf("2/-1/-99/Favorites=fav.dat\n"
                                         "3/-1/-20/Locked=locked.dat\n"
                                         "4/-1/-5/By genre=genre.dat\n"
                                         "5/-1/-6/Missing=missing.dat\n"));
    WriteFile(data / "treeuser.dat", CrLf("6/-1/-101/Mine=mine.dat\n"));
    WriteFile(data / "fav.dat", CrLf("2/-1/-99/Favorites\n\t0/-1/100001/Fav One\n"));
    WriteFile(data / "locked.dat", CrLf("3/-1/-20/Locked\n\t0/-1/100002/Locked One\n"));
    WriteFile(data / "genre.dat", CrLf("4/-1/-5/By genre\n"
                                       "\t1/-1/-1/Rock\n"
                                       "\t\t0/-1/100003/Radio Two\n"
                                       "\t\t0/-1/100004/Radio Three\n"
                                       "\t1/-1/-1/Jazz\n"
                                       "\t\t0/-1/100005/" +
                                       Utf8ToGb("爵士电台") + "\n"));
    WriteFile(data / "mine.dat", CrLf("6/-1/-101/Mine\n\t1/-1/-1/Mix\n\t0/-1/100006/Solo\n"));
    WriteFile(data / "datauser.dat", CrLf("100003\tRadio Two\tRock\tUS\t\t\t\t0\t4\t128\t\t\thttp://two.example/\t\t"
                                          "http://two.example/live\n"));
    editor_ = std::make_unique<TreeEditor>(data, prompts_);
    editor_->ReloadTree(-1, -1);
  }

  TreeEditor& editor() { return *editor_; }
  StationTree& tree() { return editor_->tree(); }
  const ProgramPaths& paths() const { return paths_; }
  FakePrompts& prompts() { return prompts_; }
  const std::filesystem::path& folder() const { return dir_.path(); }

  TreeNode* Top(std::string_view caption) {
    for (const auto& top : tree().top_nodes()) {
      if (top->caption() == caption) return top.get();
    }
    return nullptr;
  }
  // Loads every top node and returns the node with that caption.
  TreeNode* Node(std::string_view caption) {
    for (const auto& top : tree().top_nodes()) editor_->EnsureLoaded(*top);
    for (TreeNode* node = tree().First(); node != nullptr; node = node->Next()) {
      if (node->caption() == caption) return node;
    }
    return nullptr;
  }

 private:
  TempDir dir_;
  ProgramPaths paths_;
  FakePrompts prompts_;
  std::unique_ptr<TreeEditor> editor_;
};

}  // namespace tazmel::test
