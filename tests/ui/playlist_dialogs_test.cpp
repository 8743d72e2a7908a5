// The find, group and channel dialogs of the playlist window, offscreen.

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/code_page.h"
#include "core/ini_file.h"
#include "fake_prompts.h"
#include "stations/tree_editor.h"
#include "stations/tree_outline.h"
#include "temp_dir.h"
#include "ui/playlist/find_dialog.h"
#include "ui/playlist/group_dialog.h"
#include "ui/playlist/set_channel_dialog.h"
#include "ui/qt_app.h"
#include "ui/text_edge.h"
#include "ui/translator.h"

namespace tazmel {
namespace {

namespace fs = std::filesystem;
using namespace Qt::StringLiterals;

void KeyClick(QWidget* widget, int key, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(widget, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(widget, &release);
}

template <typename T>
T* Child(const QWidget& window, const char* name) {
  T* child = window.findChild<T*>(QString::fromLatin1(name));
  if (child == nullptr) ADD_FAILURE() << "no " << name;
  return child;
}

// Made before any widget member of a fixture.
struct QtAppFirst {
  QtAppFirst() { test::QtApp(); }
};

// The owner every dialog is centred on.
class DialogTest : public ::testing::Test, private QtAppFirst {
 protected:
  DialogTest() {
    owner_.setGeometry(300, 200, 400, 300);
    owner_.show();
  }
  QWidget owner_;
};

class FindDialogTest : public DialogTest {
 protected:
  TfrmFind dialog_{&owner_};
};

// Down and Vague at first; each control changes its own field only.
TEST_F(FindDialogTest, OptionsFollowTheControls) {
  EXPECT_EQ(dialog_.Options(), FindDialogOptions{});
  struct Case {
    const char* group;  // radio group or check box
    int item;
    FindDialogOptions expected;
  } cases[] = {
      {"rgTurn", 0, {.text = {}, .down = false}},
      {"rgMode", 1, {.text = {}, .down = false, .exact = true}},
      {"chkMatchCase", 0, {.text = {}, .down = false, .exact = true, .match_case = true}},
      {"rgTurn", 1, {.text = {}, .exact = true, .match_case = true}},
      {"rgMode", 0, {.text = {}, .match_case = true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.group) + " " + std::to_string(c.item));
    if (auto* check = dialog_.findChild<QAbstractButton*>(QString::fromLatin1(c.group)); check != nullptr) {
      check->click();
    } else {
      auto* group = Child<QGroupBox>(dialog_, c.group);
      ASSERT_NE(group, nullptr);
      group->findChildren<QRadioButton*>()[c.item]->click();
    }
    EXPECT_EQ(dialog_.Options(), c.expected);
  }
  Child<QLineEdit>(dialog_, "edtInput")->setText(u"北京 Radio"_s);
  const TreeFindOptions tree = dialog_.Options().ForTree();
  EXPECT_EQ(tree.text, Utf8ToGb("北京 Radio"));
  EXPECT_TRUE(tree.down);
  EXPECT_FALSE(tree.exact);
  EXPECT_TRUE(tree.match_case);
}

// Find and Enter in the edit ask once each for a search with the text as
// typed; Cancel and Escape close it and say so; the text stays for the next
// use.
TEST_F(FindDialogTest, FindEnterCancelAndEscape) {
  QSignalSpy finds(&dialog_, &TfrmFind::findRequested);
  QSignalSpy closes(&dialog_, &TfrmFind::closed);
  EXPECT_FALSE(dialog_.WasShown());
  dialog_.ShowFor();
  EXPECT_TRUE(dialog_.WasShown());
  QLineEdit* edit = Child<QLineEdit>(dialog_, "edtInput");
  EXPECT_EQ(dialog_.focusWidget(), edit);
  edit->setText(u"jazz"_s);
  KeyClick(edit, Qt::Key_Return);
  Child<QPushButton>(dialog_, "btnFind")->click();
  ASSERT_EQ(finds.count(), 2);
  for (const auto& call : finds) EXPECT_EQ(call.at(0).value<FindDialogOptions>().text, u"jazz"_s);
  EXPECT_TRUE(dialog_.isVisible());
  EXPECT_EQ(closes.count(), 0);

  Child<QPushButton>(dialog_, "btnCancel")->click();
  EXPECT_FALSE(dialog_.isVisible());
  EXPECT_EQ(closes.count(), 1);
  dialog_.ShowFor();
  EXPECT_EQ(edit->text(), u"jazz"_s);
  EXPECT_EQ(edit->selectedText(), u"jazz"_s);
  KeyClick(edit, Qt::Key_Escape);
  EXPECT_FALSE(dialog_.isVisible());
  EXPECT_EQ(closes.count(), 2);
  EXPECT_EQ(finds.count(), 2);
}

// Shown centred on its owner, whatever size its texts give it.
TEST_F(FindDialogTest, CentredOnItsOwner) {
  dialog_.ShowFor();
  // Whole pixels: half a pixel each way at most.
  const QPointF centre = QRectF(dialog_.frameGeometry()).center();
  const QPointF owner = QRectF(owner_.frameGeometry()).center();
  EXPECT_LE(std::abs(centre.x() - owner.x()), 0.5);
  EXPECT_LE(std::abs(centre.y() - owner.y()), 0.5);
}

class GroupDialogTest : public DialogTest {
 protected:
  GroupDialogTest() {
    editor_.emplace(dir_.path(), prompts_);
    test::BuildTree(editor_->tree(),
                    "Mine [-101] mine.dat\n  Rock [-1]\n    S [5]\nSys [-60] sys.dat\n  Pop [-1]\n"
                    "Locked [-20] locked.dat\n  L [-1]\nOther [-5] other.dat\n  O [-1]\n");
  }
  QLineEdit* Edit() { return Child<QLineEdit>(dialog_, "edtInput"); }
  const TreeNode* N(std::string_view caption) { return test::NodeNamed(editor_->tree(), caption); }

  test::TempDir dir_;
  test::FakePrompts prompts_;
  std::optional<TreeEditor> editor_;
  TfrmGroup dialog_{&owner_};
};

// Add keeps the last text, Modify takes the node's caption; OK hands over
// the mode with the name, an empty name only closes, Cancel hands nothing.
TEST_F(GroupDialogTest, ModesAndOk) {
  QSignalSpy entered(&dialog_, &TfrmGroup::groupEntered);
  dialog_.ShowModify(u"Rock"_s);
  EXPECT_EQ(dialog_.mode(), TfrmGroup::Mode::kModify);
  EXPECT_EQ(Edit()->selectedText(), u"Rock"_s);
  Edit()->setText(u"Rock=Pop"_s);
  KeyClick(Edit(), Qt::Key_Return);
  EXPECT_FALSE(dialog_.isVisible());

  dialog_.ShowAdd();
  EXPECT_EQ(dialog_.mode(), TfrmGroup::Mode::kAdd);
  EXPECT_EQ(Edit()->text(), u"Rock=Pop"_s);
  EXPECT_EQ(Edit()->selectedText(), u"Rock=Pop"_s);
  Edit()->setText(u"新组"_s);
  Child<QPushButton>(dialog_, "btnOk")->click();

  dialog_.ShowAdd();
  Edit()->clear();
  Child<QPushButton>(dialog_, "btnOk")->click();
  EXPECT_FALSE(dialog_.isVisible());
  dialog_.ShowModify(u"X"_s);
  Child<QPushButton>(dialog_, "btnCancel")->click();
  EXPECT_FALSE(dialog_.isVisible());

  ASSERT_EQ(entered.count(), 2);
  EXPECT_EQ(entered[0].at(0).value<TfrmGroup::Mode>(), TfrmGroup::Mode::kModify);
  EXPECT_EQ(entered[0].at(1).toString(), u"Rock=Pop"_s);
  EXPECT_EQ(entered[1].at(0).value<TfrmGroup::Mode>(), TfrmGroup::Mode::kAdd);
  EXPECT_EQ(entered[1].at(1).toString(), u"新组"_s);
}

// While shown, an editable node that is not a station gives its caption;
// stations, nodes that may not be renamed and a hidden dialog take none.
TEST_F(GroupDialogTest, FollowsTheSelectionWhileShown) {
  struct Case {
    const char* node;
    const char* text;
  } cases[] = {{"Rock", "Rock"}, {"S", "start"}, {"Mine", "Mine"}, {"Pop", "Pop"},
               {"Sys", "start"}, {"L", "start"}, {"O", "start"},   {"", "start"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.node);
    dialog_.ShowModify(u"start"_s);
    dialog_.FollowSelection(*c.node != '\0' ? N(c.node) : nullptr);
    EXPECT_EQ(dialog_.Text(), QString::fromUtf8(c.text));
  }
  dialog_.hide();
  dialog_.FollowSelection(N("Rock"));
  EXPECT_EQ(dialog_.Text(), u"start"_s);
}

class SetChannelDialogTest : public DialogTest {
 protected:
  SetChannelDialogTest() {
    editor_.emplace(dir_.path(), prompts_);
    // Captions are data-code-page bytes.
    test::BuildTree(editor_->tree(),
                    Utf8ToGb("Mine [-101] mine.dat\n  Rock [-1]\n    Radio 北京 [5]\n  Jazz FM [100002]\n"));
  }
  QComboBox* Numbers() { return Child<QComboBox>(*dialog_, "NumCmb"); }
  QString NewText() { return Child<QLineEdit>(*dialog_, "NewEdit")->text(); }
  QString OldText() { return Child<QLineEdit>(*dialog_, "OldEdit")->text(); }
  void Set() { Child<QPushButton>(*dialog_, "btnSet")->click(); }
  void Reopen() {
    dialog_.emplace(user_ini_, &owner_);
    dialog_->Open(*editor_);
  }

  test::TempDir dir_;
  const fs::path user_ini_ = dir_ / "User.ini";
  test::FakePrompts prompts_;
  std::optional<TreeEditor> editor_;
  std::optional<TfrmSetChannel> dialog_{std::in_place, user_ini_, &owner_};
};

// Numbers 1..90; showing chooses the one after the last set, none after 90;
// Set writes and moves on, round to 1 after 90; the old field shows what a
// chosen number holds.
TEST_F(SetChannelDialogTest, Numbering) {
  ASSERT_EQ(Numbers()->count(), 90);
  EXPECT_EQ(Numbers()->itemText(0), u"1"_s);
  EXPECT_EQ(Numbers()->itemText(89), u"90"_s);
  test::WriteFile(user_ini_, "[Channel]\r\n3=7-Seven\r\nLastNum=1\r\n");

  editor_->Select(test::NodeNamed(editor_->tree(), Utf8ToGb("Radio 北京")));
  ASSERT_TRUE(dialog_->Open(*editor_));
  EXPECT_EQ(Numbers()->currentText(), u"3"_s);
  EXPECT_EQ(NewText(), u"5-Radio 北京"_s);
  EXPECT_EQ(OldText(), u"7-Seven"_s);

  QSignalSpy sets(&*dialog_, &TfrmSetChannel::channelSet);
  Set();
  EXPECT_EQ(sets.count(), 1);
  EXPECT_EQ(Numbers()->currentText(), u"4"_s);
  EXPECT_EQ(OldText(), QString());
  EXPECT_EQ(FromGb(ReadProfileString(user_ini_, "Channel", "3")), u"5-Radio 北京"_s);

  Numbers()->setCurrentIndex(89);
  emit Numbers()->activated(89);
  Set();
  EXPECT_EQ(Numbers()->currentText(), u"1"_s);
  EXPECT_EQ(ReadProfileString(user_ini_, "Channel", "LastNum"), "89");

  // After 90 was set, a new showing chooses nothing and Set does nothing.
  Reopen();
  EXPECT_EQ(Numbers()->currentIndex(), -1);
  QSignalSpy none(&*dialog_, &TfrmSetChannel::channelSet);
  Set();
  EXPECT_EQ(none.count(), 0);
  EXPECT_EQ(ReadProfileString(user_ini_, "Channel", "LastNum"), "89");
}

// A group keeps the last station taken; the selection follow and Prefill
// take stations while shown; an empty tree opens nothing.
TEST_F(SetChannelDialogTest, StationsTakenAndEmptyTree) {
  editor_->Select(test::NodeNamed(editor_->tree(), "Jazz FM"));
  ASSERT_TRUE(dialog_->Open(*editor_));
  editor_->Select(test::NodeNamed(editor_->tree(), "Rock"));
  ASSERT_TRUE(dialog_->Open(*editor_));
  EXPECT_EQ(NewText(), u"100002-Jazz FM"_s);
  dialog_->FollowSelection(test::NodeNamed(editor_->tree(), Utf8ToGb("Radio 北京")));
  EXPECT_EQ(NewText(), u"5-Radio 北京"_s);
  dialog_->FollowSelection(test::NodeNamed(editor_->tree(), "Mine"));
  EXPECT_EQ(NewText(), u"5-Radio 北京"_s);
  dialog_->Prefill(42, u"Typed"_s);
  EXPECT_EQ(NewText(), u"42-Typed"_s);
  dialog_->hide();
  dialog_->FollowSelection(test::NodeNamed(editor_->tree(), "Jazz FM"));
  EXPECT_EQ(NewText(), u"42-Typed"_s);

  editor_->tree().Clear();
  editor_->Select(nullptr);
  Reopen();
  EXPECT_FALSE(dialog_->isVisible());
}

// Enter in a field moves on to the next control instead of pressing a
// button.
TEST_F(SetChannelDialogTest, EnterMovesTheFocus) {
  ASSERT_TRUE(dialog_->Open(*editor_));
  QWidget* start = Numbers();
  start->setFocus();
  QSignalSpy sets(&*dialog_, &TfrmSetChannel::channelSet);
  KeyClick(start, Qt::Key_Return);
  EXPECT_NE(dialog_->focusWidget(), start);
  EXPECT_EQ(sets.count(), 0);
}

// Every key of a dialog's section in every shipped language names a text of
// the dialog, which then shows it.
TEST(PlaylistDialogLanguageTest, SectionsTranslateEveryText) {
  test::QtApp();
  QWidget owner;
  test::TempDir dir;
  TfrmFind find(&owner);
  TfrmGroup group(&owner);
  TfrmSetChannel channel(dir / "User.ini", &owner);
  for (const char* code : {"eng", "chs", "cht"}) {
    IniFile language;
    ASSERT_EQ(language.Load(fs::path(TAZMEL_STAGE_DIR) / "Language" / (std::string(code) + ".ini")),
              IniFile::LoadStatus::kLoaded)
        << code;
    for (QWidget* dialog :
         {static_cast<QWidget*>(&find), static_cast<QWidget*>(&group), static_cast<QWidget*>(&channel)}) {
      const std::string section = ToGb(dialog->objectName());
      SCOPED_TRACE(std::string(code) + " " + section);
      const std::vector<std::string> keys = language.Keys(section);
      EXPECT_GE(keys.size(), 4u);
      TranslateWindow(*dialog, language);
      for (const std::string& key : keys) {
        SCOPED_TRACE(key);
        const QString expected = FromGb(language.ReadString(section, key));
        const QString name = FromGb(key);
        QString shown;
        if (key == section) {
          shown = dialog->windowTitle();
        } else if (const qsizetype dot = name.indexOf(u".Item"_s); dot > 0) {
          auto* box = dialog->findChild<QGroupBox*>(name.left(dot));
          ASSERT_NE(box, nullptr);
          const auto radios = box->findChildren<QRadioButton*>(QString(), Qt::FindDirectChildrenOnly);
          const int index = name.mid(dot + 5).toInt();
          ASSERT_LT(index, radios.size());
          shown = radios[index]->text();
        } else if (auto* label = dialog->findChild<QLabel*>(name)) {
          shown = label->text();
        } else if (auto* button = dialog->findChild<QAbstractButton*>(name)) {
          shown = button->text();
        } else if (auto* box = dialog->findChild<QGroupBox*>(name)) {
          shown = box->title();
        } else {
          ADD_FAILURE() << "no control for this key";
        }
        EXPECT_EQ(shown, expected);
      }
      // Laid out for the translated texts: nothing is cut short.
      dialog->show();
      QCoreApplication::processEvents();
      for (QWidget* w : dialog->findChildren<QWidget*>()) {
        if (!qobject_cast<QLabel*>(w) && !qobject_cast<QAbstractButton*>(w) && !qobject_cast<QGroupBox*>(w)) continue;
        EXPECT_GE(w->width(), w->sizeHint().width()) << w->objectName().toStdString();
        EXPECT_GE(w->height(), w->sizeHint().height()) << w->objectName().toStdString();
      }
      // For a look at them (say under Xvfb at another scale).
      if (const char* shots = std::getenv("TAZMEL_DIALOG_SHOTS"); shots != nullptr && *shots != '\0') {
        dialog->grab().save(QString::fromLocal8Bit(shots) + u'/' + QString::fromLatin1(code) + u'_' +
                            dialog->objectName() + u".png"_s);
      }
      dialog->hide();
    }
  }
}

}  // namespace
}  // namespace tazmel
