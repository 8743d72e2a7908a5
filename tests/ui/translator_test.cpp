#include "ui/translator.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "core/ini_file.h"
#include "temp_dir.h"
#include "ui/qt_app.h"

namespace tazmel {
namespace {

using namespace Qt::StringLiterals;

template <typename T, typename... Args>
T* Make(QObject* parent, const char* name, Args&&... args) {
  T* object = new T(QString::fromUtf8(args)...);
  object->setParent(qobject_cast<QWidget*>(parent));
  object->setObjectName(name);
  return object;
}

// A small window with one component of every translated kind.
class TranslatorTest : public ::testing::Test {
 protected:
  TranslatorTest() {
    window_.setObjectName("frmTest");
    window_.setWindowTitle(u"Design"_s);
    label_ = Make<QLabel>(&window_, "lblName", "Name");
    empty_label_ = Make<QLabel>(&window_, "lblEmpty");
    check_ = Make<QCheckBox>(&window_, "chkLoop", "Loop");
    edit_ = Make<QLineEdit>(&window_, "edtUrl", "http://");
    combo_ = Make<QComboBox>(&window_, "cbFormat");
    combo_->addItems({u"Auto"_s, u"RP"_s});
    group_ = Make<QGroupBox>(&window_, "rgFormat", "Format");
    group_->setProperty("radioGroup", true);
    for (const char* item : {"A", "B"}) new QRadioButton(QString::fromLatin1(item), group_);
    tabs_ = Make<QTabWidget>(&window_, "pcMain");
    page_ = new QWidget;
    page_->setObjectName("tsGeneral");
    tabs_->addTab(page_, u"General"_s);
    list_view_ = Make<QTreeWidget>(&window_, "lvTask");
    list_view_->setProperty("listView", true);
    list_view_->setHeaderLabels({u"Time"_s, u"Station"_s});
    list_view_->addTopLevelItem(new QTreeWidgetItem(QStringList{u"row"_s}));
    tree_ = Make<QTreeWidget>(&window_, "rtvRadio");
    tree_->addTopLevelItem(new QTreeWidgetItem(QStringList{u"Favorites"_s}));
    list_box_ = Make<QListWidget>(&window_, "lbItems");
    list_box_->addItem(u"one"_s);
    menu_ = new QMenu(u"&File"_s, &window_);
    menu_->setObjectName("nFile");
    action_ = menu_->addAction(u"E&xit"_s);
    action_->setObjectName("nExit");
    dialog_ = new QFileDialog(&window_, u"Open"_s);
    dialog_->setObjectName("odImport");
    dialog_->setNameFilters({u"All (*)"_s});
  }

  void Translate(const std::string& text) { TranslateWindow(window_, IniFile::FromText(text)); }

  QApplication& app_ = test::QtApp();
  QWidget window_;
  QLabel *label_, *empty_label_;
  QCheckBox* check_;
  QLineEdit* edit_;
  QComboBox* combo_;
  QGroupBox* group_;
  QTabWidget* tabs_;
  QWidget* page_;
  QTreeWidget *list_view_, *tree_;
  QListWidget* list_box_;
  QMenu* menu_;
  QAction* action_;
  QFileDialog* dialog_;
};

// Every kind of component takes its text by name; GB18030 values arrive as
// proper Unicode.
TEST_F(TranslatorTest, TranslatesEveryKind) {
  Translate(
      "[frmTest]\r\nfrmTest=\xB2\xE2\xCA\xD4\r\nlblName=Title\r\nlblEmpty=Never\r\nchkLoop=Repeat\r\n"
      "edtUrl=mms://\r\ncbFormat.Item0=Automatic\r\ncbFormat.Item1=RealPlayer\r\ncbFormat.Item2=Extra\r\n"
      "rgFormat=Kind\r\nrgFormat.Item1=Bee\r\ntsGeneral=Common\r\nlvTask.Col1=Radio\r\nlvTask.Item0=First\r\n"
      "rtvRadio.Item0=NotATree\r\nlbItems.Item0=uno\r\nnFile=&Datei\r\nnExit=&Beenden\r\n"
      "odImport=Import\r\nodImport.Filter=Text Files|*.txt|All Files|*.*\r\n");
  EXPECT_EQ(window_.windowTitle(), QString::fromUtf8("\xE6\xB5\x8B\xE8\xAF\x95"));
  EXPECT_EQ(label_->text(), u"Title"_s);
  EXPECT_EQ(empty_label_->text(), u""_s);  // empty texts are not translated
  EXPECT_EQ(check_->text(), u"Repeat"_s);
  EXPECT_EQ(edit_->text(), u"mms://"_s);
  EXPECT_EQ(combo_->itemText(0), u"Automatic"_s);
  EXPECT_EQ(combo_->itemText(1), u"RealPlayer"_s);
  EXPECT_EQ(combo_->count(), 2);  // items beyond the existing ones are not added
  EXPECT_EQ(group_->title(), u"Kind"_s);
  EXPECT_EQ(group_->findChildren<QRadioButton*>()[1]->text(), u"Bee"_s);
  EXPECT_EQ(tabs_->tabText(0), u"Common"_s);
  EXPECT_EQ(list_view_->headerItem()->text(0), u"Time"_s);
  EXPECT_EQ(list_view_->headerItem()->text(1), u"Radio"_s);
  EXPECT_EQ(list_view_->topLevelItem(0)->text(0), u"First"_s);
  EXPECT_EQ(tree_->topLevelItem(0)->text(0), u"Favorites"_s);
  EXPECT_EQ(list_box_->item(0)->text(), u"uno"_s);
  EXPECT_EQ(menu_->title(), u"&Datei"_s);
  EXPECT_EQ(action_->text(), u"&Beenden"_s);
  EXPECT_EQ(dialog_->windowTitle(), u"Import"_s);
  EXPECT_EQ(dialog_->nameFilters(), (QStringList{u"Text Files (*.txt)"_s, u"All Files (*)"_s}));
}

// Empty values, other windows' sections and missing files change nothing.
TEST_F(TranslatorTest, KeepsDesignTexts) {
  Translate("[frmTest]\r\nfrmTest=\r\nlblName=\r\n[frmOther]\r\nchkLoop=Other\r\n");
  EXPECT_EQ(window_.windowTitle(), u"Design"_s);
  EXPECT_EQ(label_->text(), u"Name"_s);
  EXPECT_EQ(check_->text(), u"Loop"_s);

  test::TempDir dir;
  EXPECT_TRUE(TranslateWindow(window_, dir / "missing.ini"));
  EXPECT_EQ(label_->text(), u"Name"_s);
}

TEST_F(TranslatorTest, FontFromLanguageFile) {
  Translate("[Font]\r\nFontName=WenQuanYi Micro Hei\r\nFontSize=13\r\n");
  EXPECT_EQ(window_.font().family(), u"WenQuanYi Micro Hei"_s);
  EXPECT_EQ(window_.font().pointSize(), 13);
}

TEST(FilterTextTest, Conversion) {
  EXPECT_EQ(NameFiltersFromFilterText(u"MP3|*.mp3;*.mp2|All|*.*"_s),
            (QStringList{u"MP3 (*.mp3 *.mp2)"_s, u"All (*)"_s}));
  EXPECT_TRUE(NameFiltersFromFilterText(u"odd"_s).isEmpty());
}

}  // namespace
}  // namespace tazmel
