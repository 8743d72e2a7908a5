// The data tool's commands in the playlist controller: the file question,
// the modal progress window, Escape, and the messages at the end.
#include <gtest/gtest.h>

#include <QApplication>
#include <QProgressBar>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "app/playlist_controller.h"
#include "core/file_utils.h"
#include "core/ini_file.h"
#include "core/text_utils.h"
#include "stations/text_table.h"
#include "stations/tree_editor.h"
#include "ui/data/data_window.h"
#include "ui/playlist/radio_tree_model.h"
#include "ui/playlist/radio_tree_view.h"
#include "ui/playlist/tree_menu.h"
#include "ui/radio_tree_fixture.h"

namespace tazmel {
namespace {

namespace fs = std::filesystem;
using test::RadioTreeFixture;

// What the window was like at one progress report.
struct Seen {
  bool visible;
  bool application_modal;
  bool active_modal;
  QString title;
  int value, maximum;
};

class DataToolTest : public ::testing::Test, protected RadioTreeFixture {
 protected:
  void SetUp() override {
    PlayListHooks hooks;
    hooks.data_file = [this](TfrmData& window, bool save, const QString& proposed) -> std::optional<fs::path> {
      asked_.push_back({save, proposed});
      QObject::connect(&window, &TfrmData::progressed, &window, [this, &window](int, int) {
        seen_.push_back({window.isVisible(), window.windowModality() == Qt::ApplicationModal,
                         QApplication::activeModalWidget() == &window, window.windowTitle(),
                         window.ProgressBar().value(), window.ProgressBar().maximum()});
        if (on_progress_) on_progress_(window);
      });
      return file_;
    };
    controller_ = std::make_unique<PlayListController>(
        PlayListParts{.tree = editor(), .paths = paths(), .language = language_, .prompts = prompts()},
        std::move(hooks));
    view().resize(300, 400);
    view().show();
  }

  TRadioTreeView& view() { return controller_->TreeView(); }
  void Run(const char* command, std::string_view node) {
    editor().Select(Node(node));
    seen_.clear();
    controller_->RunMenuCommand(QString::fromLatin1(command));
  }

  // Records in the user table.
  std::size_t Lines() {
    std::size_t count = 0;
    ForEachLine(ReadWholeFile(editor().data_folder() / "datauser.dat").value_or(""),
                [&](std::string_view) { ++count; });
    return count;
  }

  IniFile language_;
  std::unique_ptr<PlayListController> controller_;
  std::optional<fs::path> file_;
  std::vector<std::pair<bool, QString>> asked_;
  std::vector<Seen> seen_;
  std::function<void(TfrmData&)> on_progress_;
};

TEST_F(DataToolTest, ExportAndImportRunInTheModalWindow) {
  file_ = folder() / "rock.txt";
  Run("nExportData", "Rock");
  ASSERT_EQ(asked_.size(), 1u);
  EXPECT_TRUE(asked_[0].first);
  EXPECT_EQ(asked_[0].second, QStringLiteral("Rock.txt"));
  // Only Radio Two is a user station with a record.
  EXPECT_EQ(ReadWholeFile(*file_).value_or(""),
            "100003\tRadio Two\tRock\tUS\t\t\t\t0\t4\t128\t\t\thttp://two.example/\t\thttp://two.example/live\r\n");
  ASSERT_FALSE(seen_.empty());
  for (const Seen& s : seen_) {
    EXPECT_TRUE(s.visible && s.application_modal && s.active_modal);
    EXPECT_EQ(s.title, QStringLiteral("Export Data - ") + QString::fromStdString(file_->string()));
  }
  EXPECT_EQ(seen_.back().value, seen_.back().maximum);
  EXPECT_EQ(prompts().infos, std::vector<std::string>{"Successfully done, Congratulations!"});
  EXPECT_EQ(controller_->DataWindow(), nullptr) << "freed after the command";

  Run("nImportData", "Mix");
  EXPECT_FALSE(asked_.back().first);
  ASSERT_FALSE(seen_.empty());
  EXPECT_TRUE(seen_.front().active_modal);
  EXPECT_TRUE(seen_.front().title.startsWith(QStringLiteral("Import Data - ")));
  EXPECT_EQ(prompts().infos.size(), 2u);
  TreeNode* mix = Node("Mix");
  ASSERT_EQ(mix->child_count(), 1);
  EXPECT_EQ(NodeID(*mix->child(0)), 100003);
  EXPECT_EQ(Lines(), 1u) << "found by name, replaced, not appended";

  // The view shows the new node once the run is over.
  EXPECT_TRUE(view().Model().IndexOf(mix->child(0)).isValid());
}

TEST_F(DataToolTest, EscapeStopsTheImportWithoutAMessage) {
  std::string text;
  for (int i = 0; i < 3000; ++i) {
    text += "S" + std::to_string(i) + "\t\t\t\t\t\t\t\t\t\t\t\t\t\thttp://s.example/" + std::to_string(i) + "\r\n";
  }
  file_ = folder() / "many.txt";
  test::WriteFile(*file_, text);
  // The first report comes after the file was read, before any line.
  on_progress_ = [](TfrmData& window) { QTest::keyClick(&window, Qt::Key_Escape); };
  Run("nImportData", "Mix");
  EXPECT_TRUE(prompts().infos.empty());
  const int placed = Node("Mix")->child_count();
  EXPECT_LT(placed, 3000);
  EXPECT_EQ(Lines(), 1u + static_cast<std::size_t>(placed));
  EXPECT_EQ(VerifyTextTable(editor().data_folder() / "datauser.dat", false), "");
}

TEST_F(DataToolTest, UndecodableLineIsNamedAndCancelDoesNothing) {
  file_ = std::nullopt;
  Run("nImportData", "Mix");
  EXPECT_TRUE(seen_.empty());
  EXPECT_TRUE(prompts().infos.empty());

  file_ = folder() / "bad.txt";
  test::WriteFile(*file_, "Group\r\nBad\xFF\tx\r\n");
  Run("nImportData", "Mix");
  EXPECT_EQ(prompts().infos, std::vector<std::string>{"Line 2 of the file is not valid text; nothing was imported."});
  EXPECT_EQ(Node("Mix")->child_count(), 0);
}

}  // namespace
}  // namespace tazmel
