#include "app/music_controller.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <fstream>

#include "core/file_utils.h"
#include "core/ini_file.h"
#include "fake_prompts.h"
#include "music/id3_tag.h"
#include "music/music_media.h"
#include "temp_dir.h"
#include "ui/controls/drop_target.h"
#include "ui/music/file_info_dialog.h"
#include "ui/music/music_list_box.h"
#include "ui/music/rename_dialog.h"
#include "ui/playlist/find_dialog.h"
#include "ui/qt_app.h"

namespace tazmel {
namespace {

using test::TempDir;

void Touch(const std::filesystem::path& path) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path) << "x";
}

class MusicControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::QtApp();
    controller_ = std::make_unique<MusicController>(
        MusicParts{.language = language_, .prompts = prompts_, .list_file = (dir_ / "Tazmel.m3u").string()},
        MusicHooks{.play_music_list = [this] { played_.push_back(controller_->GetPlayingItemPath()); },
                   .show_find = {},
                   .find_options =
                       [this](FindDialogOptions& options) {
                         options = find_;
                         return true;
                       },
                   .choose_files = [this](const QString&, const QString&) { return chosen_files_; },
                   .choose_folder = [this](const QString&, const std::string&) { return chosen_folder_; }});
    view().resize(300, 200);
    view().show();
  }
  void TearDown() override { controller_.reset(); }

  TMusicListBox& view() { return controller_->ListView(); }
  std::vector<std::string> Rows() { return controller_->List().rows(); }
  std::string Path(const char* name) { return (dir_ / name).string(); }

  TempDir dir_;
  IniFile language_;
  test::FakePrompts prompts_;
  std::vector<std::string> played_;
  std::vector<std::string> chosen_files_;
  std::string chosen_folder_;
  FindDialogOptions find_;
  std::unique_ptr<MusicController> controller_;
};

// Skin buttons 0 and 1 add files and a folder; the pane shows every row.
TEST_F(MusicControllerTest, ButtonsAddFilesAndFoldersAndThePaneFollows) {
  Touch(dir_ / "a.mp3");
  Touch(dir_ / "sub" / "b.mp3");
  Touch(dir_ / "sub" / "notes.txt");
  chosen_files_ = {Path("a.mp3")};
  controller_->ButtonCommand(0);
  chosen_folder_ = (dir_ / "sub").string();
  controller_->ButtonCommand(1);
  EXPECT_EQ(Rows(), (std::vector<std::string>{Path("a.mp3"), Path("sub/b.mp3")}));
  EXPECT_EQ(view().count(), 2);
  EXPECT_EQ(controller_->List().last_folder(), chosen_folder_);

  // Delete (button 3) the current row; the next row becomes current.
  view().MakeCurrent(0);
  controller_->ButtonCommand(3);
  EXPECT_EQ(Rows(), (std::vector<std::string>{Path("sub/b.mp3")}));
  EXPECT_EQ(view().count(), 1);
  EXPECT_EQ(view().currentRow(), 0);

  controller_->RunMenuCommand(QStringLiteral("nClearAll_LB"));
  EXPECT_EQ(view().count(), 0);
}

TEST_F(MusicControllerTest, PlayNextPreviousAndTheListFile) {
  for (const char* name : {"1.mp3", "2.mp3", "3.mp3"}) controller_->List().InsertRow(Path(name), -1);
  controller_->ListView().Reload();
  view().MakeCurrent(1);
  controller_->Play();
  EXPECT_EQ(played_, (std::vector<std::string>{Path("2.mp3")}));
  EXPECT_EQ(controller_->PlayNextMusic(), -1);
  EXPECT_EQ(controller_->PlayNextMusic(), -1);
  EXPECT_EQ(controller_->List().playing_item(), 0);  // wrapped
  EXPECT_EQ(view().currentRow(), 0);                 // and made current
  controller_->PlayPreviousMusic();
  EXPECT_EQ(controller_->GetPlayingItemPath(), Path("3.mp3"));

  EXPECT_EQ(controller_->SaveMusicList(), 2);
  MusicController other(
      MusicParts{.language = language_, .prompts = prompts_, .list_file = (dir_ / "Tazmel.m3u").string()},
      MusicHooks{});
  other.LoadMusicList(2);
  EXPECT_EQ(other.List().rows(), Rows());
  EXPECT_EQ(other.ListView().count(), 3);
  EXPECT_EQ(other.ListView().currentRow(), 2);
}

TEST_F(MusicControllerTest, FindMarksTheMatchAndTellsWhenThereIsNone) {
  for (const char* name : {"alpha.mp3", "beta.mp3", "gamma.mp3"}) controller_->List().InsertRow(Path(name), -1);
  controller_->ListView().Reload();
  view().MakeCurrent(0);
  find_.text = QStringLiteral("gam");
  controller_->RunMenuCommand(QStringLiteral("nFindNext_LB"));
  EXPECT_EQ(controller_->List().found_item(), 2);
  EXPECT_EQ(view().currentRow(), 2);
  controller_->RunMenuCommand(QStringLiteral("nFindNext_LB"));
  EXPECT_EQ(controller_->List().found_item(), -1);
  ASSERT_EQ(prompts_.infos.size(), 1u);
  EXPECT_EQ(prompts_.infos[0], "Cannot Find \"gam\"");
}

// Drops on the window: links as rows, files and folders at the row under
// the pointer.
TEST_F(MusicControllerTest, DropsJoinTheListAtTheRowUnderThePointer) {
  controller_->List().InsertRow("/x/first.mp3", -1);
  controller_->List().InsertRow("/x/second.mp3", -1);
  controller_->ListView().Reload();
  Touch(dir_ / "d" / "one.mp3");
  Touch(dir_ / "d" / "two.mp3");
  TDropURLFilesTarget drop;
  QMimeData files;
  files.setUrls({QUrl::fromLocalFile(QString::fromStdString((dir_ / "d").string()))});
  ASSERT_TRUE(drop.TakeData(files));
  const QRect second = view().visualItemRect(view().item(1));
  controller_->TakeDrop(drop, view().viewport()->mapToGlobal(second.center()));
  EXPECT_EQ(Rows(), (std::vector<std::string>{"/x/first.mp3", Path("d/one.mp3"), Path("d/two.mp3"), "/x/second.mp3"}));

  QMimeData link;
  link.setText(QStringLiteral("http://radio.example/live.mp3"));
  ASSERT_TRUE(drop.TakeData(link));
  controller_->TakeDrop(drop, view().viewport()->mapToGlobal(QPoint(5, 10000)));
  EXPECT_EQ(Rows().back(), "http://radio.example/live.mp3");
  EXPECT_EQ(view().count(), 5);
}

TEST_F(MusicControllerTest, RenameNeverOverwritesAndRenamesTheRowItOpenedFor) {
  Touch(dir_ / "old.mp3");
  std::ofstream(dir_ / "taken.mp3") << "keep";
  controller_->List().InsertRow(Path("old.mp3"), -1);
  controller_->List().InsertRow(Path("other.mp3"), -1);
  controller_->ListView().Reload();
  view().MakeCurrent(0);
  controller_->ButtonCommand(2);
  TfrmRename* rename = controller_->RenameDialog();
  ASSERT_NE(rename, nullptr);
  EXPECT_EQ(rename->OldName().toStdString(), Path("old.mp3"));

  // Onto an existing file: refused, nothing changes.
  rename->NewEdit()->setText(QString::fromStdString(Path("taken.mp3")));
  QTest::keyClick(rename->NewEdit(), Qt::Key_Return);
  EXPECT_EQ(*ReadWholeFile(dir_ / "taken.mp3"), "keep");
  EXPECT_TRUE(std::filesystem::exists(dir_ / "old.mp3"));
  EXPECT_EQ(Rows()[0], Path("old.mp3"));

  // The current row moved on meanwhile: the row the dialog was for is renamed.
  controller_->ButtonCommand(2);
  view().MakeCurrent(1);
  rename->NewEdit()->setText(QString::fromStdString(Path("new.mp3")));
  QTest::keyClick(rename->NewEdit(), Qt::Key_Return);
  EXPECT_TRUE(std::filesystem::exists(dir_ / "new.mp3"));
  EXPECT_EQ(Rows(), (std::vector<std::string>{Path("new.mp3"), Path("other.mp3")}));
}

class FileInfoTest : public MusicControllerTest {
 protected:
  void SetUp() override {
    MusicControllerTest::SetUp();
    mp3_ = dir_ / "song.mp3";
    ASSERT_TRUE(test::MakeMp3(mp3_, "-b 128"));
    controller_->List().InsertRow(mp3_.string(), -1);
    controller_->ListView().Reload();
    view().MakeCurrent(0);
  }
  TfrmFileInfo& Open() {
    controller_->ButtonCommand(5);
    EXPECT_NE(controller_->FileInfoDialog(), nullptr);
    return *controller_->FileInfoDialog();
  }
  TID3Tag Read() {
    TID3Tag tag;
    tag.FileName = mp3_.string();
    return tag;
  }
  std::filesystem::path mp3_;
};

TEST_F(FileInfoTest, UntaggedFileGetsBothTagsFromTheForm) {
  TfrmFileInfo& info = Open();
  EXPECT_FALSE(info.V1Box()->isChecked());
  EXPECT_FALSE(info.V2Box()->isChecked());
  EXPECT_TRUE(info.V1Edit(TID3Tag::kV1Title)->isReadOnly());
  EXPECT_FALSE(info.V1Genre()->isEnabled());
  EXPECT_FALSE(info.ModifyButton()->isEnabled());
  const QString info_text = info.InfoMemo()->toPlainText();
  EXPECT_TRUE(info_text.contains(QStringLiteral("MPEG 1.0 layer 3"))) << info_text.toStdString();
  EXPECT_TRUE(info_text.contains(QStringLiteral("128 kbit, 417 frames"))) << info_text.toStdString();
  EXPECT_TRUE(info_text.contains(QStringLiteral("44100 Hz Joint-Stereo"))) << info_text.toStdString();

  info.V1Box()->click();
  info.V2Box()->click();
  EXPECT_FALSE(info.V1Edit(TID3Tag::kV1Title)->isReadOnly());
  const QString title = QString(40, QLatin1Char('t'));
  info.V1Edit(TID3Tag::kV1Title)->setText(title);
  info.V2Edit(TID3Tag::kV2Title)->setText(title);
  info.V2Genre()->setCurrentText(QStringLiteral("Jazz"));
  info.V2Comment()->setPlainText(QStringLiteral("two\nlines"));
  EXPECT_TRUE(info.ModifyButton()->isEnabled());
  QTest::mouseClick(info.ModifyButton(), Qt::LeftButton);
  EXPECT_FALSE(info.ModifyButton()->isEnabled());

  TID3Tag tag = Read();
  ASSERT_TRUE(tag.ReadID3v1());
  EXPECT_EQ(tag.V1Title(), std::string(30, 't'));
  ASSERT_TRUE(tag.ReadID3v2());
  EXPECT_EQ(tag.V2Title(), std::string(40, 't'));
  EXPECT_EQ(tag.V2Genre(), "Jazz");
  EXPECT_EQ(tag.V2Comment(), "two\r\nlines");
}

// A tag that cannot be read leaves the box off; Modify then keeps it. Only
// the user's unticking removes a tag.
TEST_F(FileInfoTest, OnlyTheUsersUntickingRemovesATag) {
  const std::string audio = *ReadWholeFile(mp3_);
  const std::string odd = std::string("ID3\5\0\0\0\0\0\x0C", 10) + std::string("TIT2\0\0\0\2\0\0\0x", 12);
  ASSERT_TRUE(WriteFileAtomically(mp3_, odd + audio));
  TfrmFileInfo& info = Open();
  EXPECT_FALSE(info.V2Box()->isChecked());
  info.V1Box()->click();
  info.V1Edit(TID3Tag::kV1Title)->setText(QStringLiteral("v1 only"));
  QTest::mouseClick(info.ModifyButton(), Qt::LeftButton);
  EXPECT_TRUE(ReadWholeFile(mp3_)->substr(0, odd.size()) == odd);

  // A readable tag switched off by the user goes.
  TID3Tag tag = Read();
  tag.SetV2(TID3Tag::kV2Title, "tagged");
  ASSERT_TRUE(WriteFileAtomically(mp3_, audio));
  ASSERT_TRUE(tag.WriteID3v2());
  info.Undo();
  ASSERT_TRUE(info.V2Box()->isChecked());
  EXPECT_EQ(info.V2Edit(TID3Tag::kV2Title)->text(), QStringLiteral("tagged"));
  info.V2Box()->click();
  QTest::mouseClick(info.ModifyButton(), Qt::LeftButton);
  EXPECT_TRUE(*ReadWholeFile(mp3_) == audio);
}

TEST_F(FileInfoTest, TheDialogFollowsTheCurrentRowAndTypedNames) {
  const auto second = dir_ / "second.mp3";
  ASSERT_TRUE(test::MakeMp3(second, "-b 64 -m m", 2, 22050, 1));
  TID3Tag tag;
  tag.FileName = second.string();
  tag.SetV2(TID3Tag::kV2Artist, "Second");
  ASSERT_TRUE(tag.WriteID3v2());
  controller_->List().InsertRow(second.string(), -1);
  controller_->ListView().Reload();
  TfrmFileInfo& info = Open();
  EXPECT_EQ(info.FileNameEdit()->text().toStdString(), mp3_.string());
  view().MakeCurrent(1);
  QTest::keyRelease(&view(), Qt::Key_Down);
  EXPECT_EQ(info.FileNameEdit()->text().toStdString(), second.string());
  EXPECT_EQ(info.V2Edit(TID3Tag::kV2Artist)->text(), QStringLiteral("Second"));

  info.FileNameEdit()->setText(QString::fromStdString(mp3_.string()));
  info.Undo();
  EXPECT_EQ(info.V2Edit(TID3Tag::kV2Artist)->text(), QString());
  // A name that names nothing keeps the controls and shows an empty record.
  info.FileNameEdit()->setText(QStringLiteral("/no/such.mp3"));
  info.Undo();
  EXPECT_TRUE(info.InfoMemo()->toPlainText().startsWith(QStringLiteral("Size: 0 bytes")));
}

}  // namespace
}  // namespace tazmel
