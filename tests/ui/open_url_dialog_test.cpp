#include "ui/playback/open_url_dialog.h"

#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/ini_file.h"
#include "temp_dir.h"
#include "ui/qt_app.h"

namespace tazmel {
namespace {

using namespace Qt::StringLiterals;

// Input goes through QApplication::notify like real input, so an ignored key
// travels on to the parents as it would on screen.
void KeyClick(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
  QApplication::sendEvent(widget, &press);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
  QApplication::sendEvent(widget, &release);
}

void TypeText(QWidget* widget, const QString& text) {
  for (QChar ch : text) KeyClick(widget, ch.toUpper().unicode(), Qt::NoModifier, QString(ch));
}

void MouseClick(QWidget* widget) {
  const QPointF local = QRectF(widget->rect()).center();
  const QPointF global = widget->mapToGlobal(local);
  QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &release);
}

// A history with blanks around one value, empty and blank values between
// the entries, and a setting of another section that must survive saving.
constexpr char kUserIni[] =
    "[Options]\r\nAutoPlay=1\r\n"
    "[UserUrl]\r\n0=  mms://one/a  \r\n1=\r\n2=http://two/b\r\n3=   \r\n4=rtsp://three/c\r\n";

class OpenUrlDialogTest : public ::testing::Test {
 protected:
  OpenUrlDialogTest() { test::QtApp(); }

  // A fresh dialog over a fresh fixture; the previous dialog saves as it
  // goes, so the fixture is written after it is gone.
  void Open(const IniFile* language = nullptr, std::string_view prefilled = {}) {
    dialog_.reset();
    test::WriteFile(user_ini_, kUserIni);
    dialog_.emplace(user_ini_, language, prefilled);
    dialog_->show();
    combo_ = dialog_->findChild<QComboBox*>(u"cbbUrl"_s);
    ASSERT_NE(combo_, nullptr);
  }

  QLineEdit* Edit() const { return combo_->lineEdit(); }
  QPushButton* Button(const char* name) const { return dialog_->findChild<QPushButton*>(QString::fromLatin1(name)); }

  std::vector<QString> Items() const {
    std::vector<QString> items;
    for (int i = 0; i < combo_->count(); ++i) items.push_back(combo_->itemText(i));
    return items;
  }

  // Replaces the field's text the way a user does: select all, then type.
  void Retype(const QString& text) {
    KeyClick(Edit(), Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty()) {
      KeyClick(Edit(), Qt::Key_Delete);
    } else {
      TypeText(Edit(), text);
    }
  }

  std::string SavedKey(const std::string& key) const {
    IniFile ini;
    ini.Load(user_ini_);
    return ini.ReadString("UserUrl", key);
  }

  test::TempDir dir_;
  std::filesystem::path user_ini_ = dir_ / "User.ini";
  std::optional<TfrmOpenUrl> dialog_;
  QComboBox* combo_ = nullptr;
};

TEST_F(OpenUrlDialogTest, LoadsTrimmedNonEmptyHistoryWithFirstSelected) {
  Open();
  EXPECT_EQ(Items(), (std::vector<QString>{u"mms://one/a"_s, u"http://two/b"_s, u"rtsp://three/c"_s}));
  EXPECT_EQ(combo_->currentIndex(), 0);
  EXPECT_EQ(dialog_->Address(), "mms://one/a");
  EXPECT_EQ(dialog_->KindDigit(), '0');
}

// Enter in the field is OK: the typed text goes to the top of the list
// (once), the dialog ends accepted and User.ini holds the new order from
// key 0; a key past the new list keeps its old value.
TEST_F(OpenUrlDialogTest, EnterAcceptsAndMovesAddressToTop) {
  struct Case {
    const char* name;
    QString typed;
    std::vector<QString> expected;
  };
  const Case cases[] = {
      {"new address", u"http://new/x"_s, {u"http://new/x"_s, u"mms://one/a"_s, u"http://two/b"_s, u"rtsp://three/c"_s}},
      {"address typed again", u"http://two/b"_s, {u"http://two/b"_s, u"mms://one/a"_s, u"rtsp://three/c"_s}},
      {"again with blanks", u"  rtsp://three/c "_s, {u"rtsp://three/c"_s, u"mms://one/a"_s, u"http://two/b"_s}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Open();
    Retype(c.typed);
    KeyClick(Edit(), Qt::Key_Return);

    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(Items(), c.expected);
    EXPECT_EQ(combo_->currentText(), c.expected.front());
    EXPECT_EQ(dialog_->Address(), c.expected.front().toStdString());
    for (std::size_t i = 0; i < c.expected.size(); ++i) {
      EXPECT_EQ(SavedKey(std::to_string(i)), c.expected[i].toStdString()) << "key " << i;
    }
    EXPECT_EQ(SavedKey("4"), "rtsp://three/c");
    IniFile ini;
    ini.Load(user_ini_);
    EXPECT_EQ(ini.ReadString("Options", "AutoPlay"), "1");
  }
}

// OK with nothing to open leaves the dialog open and the history alone,
// whether it comes from the button or from Enter.
TEST_F(OpenUrlDialogTest, EmptyOrBlankTextKeepsDialogOpen) {
  for (const QString& text : {QString(), QString(u"   "_s)}) {
    for (bool by_enter : {false, true}) {
      SCOPED_TRACE(testing::Message() << "text '" << text.toStdString() << "', enter " << by_enter);
      Open();
      Retype(text);
      ASSERT_EQ(combo_->currentText(), text);
      if (by_enter) {
        KeyClick(Edit(), Qt::Key_Return);
      } else {
        MouseClick(Button("btnOk"));
      }
      EXPECT_TRUE(dialog_->isVisible());
      EXPECT_NE(dialog_->result(), QDialog::Accepted);
      EXPECT_EQ(Items(), (std::vector<QString>{u"mms://one/a"_s, u"http://two/b"_s, u"rtsp://three/c"_s}));
      EXPECT_EQ(test::ReadFile(user_ini_), kUserIni);
    }
  }
}

// Cancel ends the dialog without taking the typed text, yet the loaded
// history is written back as it stands: trimmed, from key 0, keys past it
// untouched.
TEST_F(OpenUrlDialogTest, CancelWritesUnchangedHistory) {
  Open();
  Retype(u"http://typed/but/cancelled"_s);
  MouseClick(Button("btnCancel"));

  EXPECT_EQ(dialog_->result(), QDialog::Rejected);
  EXPECT_FALSE(dialog_->isVisible());
  EXPECT_EQ(SavedKey("0"), "mms://one/a");
  EXPECT_EQ(SavedKey("1"), "http://two/b");
  EXPECT_EQ(SavedKey("2"), "rtsp://three/c");
  EXPECT_EQ(SavedKey("4"), "rtsp://three/c");
  EXPECT_EQ(test::ReadFile(user_ini_).find("0=  mms"), std::string::npos);
}

TEST_F(OpenUrlDialogTest, FormatChoiceGivesKindDigit) {
  const std::pair<int, char> cases[] = {{1, '1'}, {2, '2'}, {0, '0'}};
  Open();
  auto* group = dialog_->findChild<QGroupBox*>(u"rgFormat"_s);
  ASSERT_NE(group, nullptr);
  const QList<QRadioButton*> items = group->findChildren<QRadioButton*>();
  ASSERT_EQ(items.size(), 3);
  EXPECT_TRUE(items[0]->isChecked());
  for (const auto& [index, digit] : cases) {
    MouseClick(items[index]);
    EXPECT_EQ(dialog_->KindDigit(), digit) << "item " << items[index]->text().toStdString();
  }
}

// A dropped link replaces the text but not the history; it arrives in the
// data code page and leaves the same way.
TEST_F(OpenUrlDialogTest, PrefilledAddressShowsOverHistory) {
  const std::string dropped = "http://\xd6\xd0\xce\xc4.example/live";
  Open(nullptr, dropped);
  EXPECT_EQ(combo_->currentText(), QStringLiteral(u"http://\u4e2d\u6587.example/live"));
  EXPECT_EQ(combo_->count(), 3);
  EXPECT_EQ(dialog_->Address(), dropped);

  MouseClick(Button("btnOk"));
  EXPECT_EQ(SavedKey("0"), dropped);
  EXPECT_EQ(SavedKey("1"), "mms://one/a");
}

// Captions come from the window's section of the language file; history
// entries are not items of the design, so combo item keys leave them alone.
TEST_F(OpenUrlDialogTest, TranslatedOnCreation) {
  const IniFile language = IniFile::FromText(
      "[frmOpenUrl]\r\nfrmOpenUrl=Open it\r\nlblInpute=Type an address:\r\nrgFormat.Item1=Real\r\n"
      "btnCancel=\r\ncbbUrl.Item0=not an address\r\n");
  Open(&language);
  EXPECT_EQ(dialog_->windowTitle(), u"Open it"_s);
  EXPECT_EQ(dialog_->findChild<QLabel*>(u"lblInpute"_s)->text(), u"Type an address:"_s);
  const QList<QRadioButton*> items = dialog_->findChild<QGroupBox*>(u"rgFormat"_s)->findChildren<QRadioButton*>();
  ASSERT_EQ(items.size(), 3);
  EXPECT_EQ(items[0]->text(), u"Auto"_s);
  EXPECT_EQ(items[1]->text(), u"Real"_s);
  EXPECT_EQ(Button("btnCancel")->text(), u"Cancel"_s);
  EXPECT_EQ(combo_->itemText(0), u"mms://one/a"_s);
}

TEST_F(OpenUrlDialogTest, DesignTextsWithoutLanguage) {
  Open();
  EXPECT_EQ(dialog_->objectName(), u"frmOpenUrl"_s);
  EXPECT_TRUE(dialog_->isModal());
  EXPECT_EQ(dialog_->findChild<QLabel*>(u"lblInpute"_s)->text(), u"Enter an Internet location to open here:"_s);
  EXPECT_TRUE(dialog_->findChild<QLabel*>(u"lblExample"_s)->text().startsWith(u"mms://"_s));
  EXPECT_EQ(dialog_->findChild<QGroupBox*>(u"rgFormat"_s)->title(), u"Stream Format"_s);
  EXPECT_EQ(Button("btnOk")->text(), u"OK"_s);
  EXPECT_TRUE(Button("btnOk")->isDefault());
  EXPECT_EQ(Button("btnCancel")->text(), u"Cancel"_s);
}

}  // namespace
}  // namespace tazmel
