// The task list, shutdown countdown and clock adjustment windows.
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimeEdit>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "app/qt_dispatcher.h"
#include "core/ini_file.h"
#include "core/messages.h"
#include "fake_prompts.h"
#include "schedule/tcp_server.h"
#include "temp_dir.h"
#include "ui/qt_app.h"
#include "ui/schedule/adjust_time_dialog.h"
#include "ui/schedule/list_view_ex.h"
#include "ui/schedule/shutdown_dialog.h"
#include "ui/schedule/task_dialog.h"
#include "ui/text_edge.h"
#include "ui/translator.h"

namespace tazmel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

IniFile Language(const char* code) {
  IniFile ini;
  EXPECT_EQ(ini.Load(fs::path(TAZMEL_STAGE_DIR) / "Language" / (std::string(code) + ".ini")),
            IniFile::LoadStatus::kLoaded);
  return ini;
}

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class TaskDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { test::QtApp(); }

  std::unique_ptr<TfrmTask> Make(const IniFile* language) {
    auto dialog = std::make_unique<TfrmTask>(
        file_, prompts_, language,
        TaskDialogHooks{
            .applied = [this] { ++applied_; }, .station_items = {}, .choose_station = {}, .choose_record_file = {}});
    dialog->LoadList();
    return dialog;
  }
  QString Row(TfrmTask& dialog, int row) {
    QTreeWidgetItem* item = dialog.List()->topLevelItem(row);
    return item->text(1) + u'|' + item->text(2) + u'|' + item->text(3) + u'|' + item->text(4);
  }

  test::TempDir dir_;
  fs::path file_ = dir_.path() / "Tasklist.dat";
  test::FakePrompts prompts_;
  int applied_ = 0;
};

// Rows show the language's words but keep the task's values: after a switch
// to Chinese and a sort, Apply writes the same values, keeps the unreadable
// line where it stood and adds the new task.
TEST_F(TaskDialogTest, ApplyKeepsValuesAcrossLanguageSwitchAndKeepsBadLines) {
  const std::string before =
      "1\t0\t1234-Jazz\t2\t0,08:00:00 ~ 0,09:00:00\r\n"
      "1\t0\tbroken\r\n"
      "0\t1\tnews.mp3\t0\t2026-05-01,12:00:00 ~ 2026-05-01,12:30:00\r\n";
  std::ofstream(file_, std::ios::binary) << before;
  const IniFile eng = Language("eng");
  const IniFile chs = Language("chs");
  auto dialog = Make(&eng);
  ASSERT_EQ(dialog->List()->topLevelItemCount(), 2);
  EXPECT_EQ(Row(*dialog, 0), u"Play|1234-Jazz|Weekly|Sunday,08:00:00 ~ Sunday,09:00:00"_s);
  EXPECT_EQ(Row(*dialog, 1), u"Record|news.mp3|Once|2026-05-01,12:00:00 ~ 2026-05-01,12:30:00"_s);
  EXPECT_EQ(dialog->List()->topLevelItem(1)->checkState(0), Qt::Unchecked);
  EXPECT_FALSE(dialog->ApplyButton()->isEnabled());

  TranslateWindow(*dialog, chs);
  EXPECT_EQ(dialog->List()->headerItem()->text(1), u"动作"_s);
  EXPECT_EQ(Row(*dialog, 0), u"播放|1234-Jazz|每周|星期日,08:00:00 ~ 星期日,09:00:00"_s);
  EXPECT_EQ(Row(*dialog, 1), u"录音|news.mp3|一次|2026-05-01,12:00:00 ~ 2026-05-01,12:30:00"_s);

  // A daily record task from the editor, its name cleaned of a TAB.
  dialog->ActionBox()->setCurrentIndex(1);
  dialog->FrequencyBox()->setCurrentIndex(1);
  dialog->NameEdit()->setText(u"night\tshow.mp3"_s);
  dialog->StartTime()->setTime(QTime(23, 0, 0));
  dialog->EndTime()->setTime(QTime(23, 59, 59));
  ASSERT_TRUE(dialog->AppendTask());
  EXPECT_TRUE(dialog->ApplyButton()->isEnabled());
  // Sorting by the Action column moves rows, not values.
  dialog->List()->ClickHeader(1);
  dialog->List()->ClickHeader(1);
  EXPECT_EQ(dialog->List()->SortedOrder(), Qt::DescendingOrder);
  ASSERT_TRUE(dialog->Apply());
  EXPECT_EQ(applied_, 1);
  std::vector<std::string> lines;
  std::istringstream in(ReadAll(file_));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  // The unreadable line keeps its place among the rows.
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1], "1\t0\tbroken\r");
  std::sort(lines.begin(), lines.end());
  EXPECT_EQ(lines, (std::vector<std::string>{"0\t1\tnews.mp3\t0\t2026-05-01,12:00:00 ~ 2026-05-01,12:30:00\r",
                                             "1\t0\t1234-Jazz\t2\t0,08:00:00 ~ 0,09:00:00\r", "1\t0\tbroken\r",
                                             "1\t1\tnight show.mp3\t1\t23:00:00 ~ 23:59:59\r"}));
}

// Selecting a row puts its values back in the editor; Modify keeps the
// row's check box; a task that would never stop is refused with a message.
TEST_F(TaskDialogTest, EditorRoundTripAndRefusals) {
  std::ofstream(file_, std::ios::binary) << "0\t0\t7-Talk\t2\t6,22:00:00 ~ 0,01:00:00\r\n";
  auto dialog = Make(nullptr);
  QTreeWidgetItem* row = dialog->List()->topLevelItem(0);
  row->setSelected(true);
  const Task stored = dialog->ItemTask(*row);
  EXPECT_EQ(dialog->EditorTask().name, "7-Talk");
  Task edited = dialog->EditorTask();
  edited.enabled = false;
  EXPECT_EQ(edited, stored);
  // Weekly: the weekday lists stand where the date pickers were.
  EXPECT_FALSE(dialog->StartWeekBox()->isHidden());
  EXPECT_TRUE(dialog->StartDate()->isHidden());
  EXPECT_FALSE(dialog->StartDate()->isEnabled());

  dialog->EndTime()->setTime(QTime(2, 0, 0));
  EXPECT_TRUE(dialog->ModifyButton()->isEnabled());
  ASSERT_TRUE(dialog->ModifyTask());
  EXPECT_EQ(row->checkState(0), Qt::Unchecked);
  EXPECT_EQ(dialog->ItemTask(*row).end.seconds_of_day, 2 * 3600);

  // Once, end equal to start: refused, nothing added.
  dialog->FrequencyBox()->setCurrentIndex(0);
  dialog->StartDate()->setDate(QDate(2026, 6, 1));
  dialog->StartTime()->setTime(QTime(10, 0, 0));
  EXPECT_FALSE(dialog->AppendTask());
  EXPECT_FALSE(dialog->InsertTask());
  EXPECT_EQ(dialog->List()->topLevelItemCount(), 1);
  ASSERT_EQ(prompts_.infos.size(), 2u);
  EXPECT_EQ(prompts_.infos[0], "The end of the task must come after its start.");

  // Delete leaves the last row selected; showing again drops unapplied
  // edits.
  dialog->DeleteSelected();
  EXPECT_EQ(dialog->List()->topLevelItemCount(), 0);
  dialog->LoadList();
  EXPECT_EQ(dialog->List()->topLevelItemCount(), 1);
}

// Numbers sort as numbers with the data sort type, as text otherwise.
TEST(ListViewExTest, HeaderClicksSortAndReverse) {
  test::QtApp();
  TListViewEx list;
  list.setColumnCount(2);
  for (const char* n : {"10", "9", "100"}) list.NewItem()->setText(1, QString::fromLatin1(n));
  const auto order = [&] {
    QStringList texts;
    for (int i = 0; i < list.topLevelItemCount(); ++i) texts << list.topLevelItem(i)->text(1);
    return texts.join(u',');
  };
  list.SetSortType(TListViewEx::SortType::kData);
  list.ClickHeader(1);
  EXPECT_EQ(order(), u"9,10,100"_s);
  list.ClickHeader(1);
  EXPECT_EQ(order(), u"100,10,9"_s);
  list.SetSortType(TListViewEx::SortType::kText);
  list.ClickHeader(0);
  list.ClickHeader(1);
  EXPECT_EQ(order(), u"10,100,9"_s);
}

TEST(ShutDownDialogTest, ButtonsAnswerTheCountdownAndDismissTellsNobody) {
  test::QtApp();
  TfrmShutDown dialog(nullptr);
  QSignalSpy confirmed(&dialog, &TfrmShutDown::confirmed);
  QSignalSpy cancelled(&dialog, &TfrmShutDown::cancelled);
  dialog.ShowSeconds(30);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.Countdown()->text(), u"30"_s);
  EXPECT_TRUE(dialog.CancelButton()->isDefault());
  dialog.CancelButton()->click();
  EXPECT_EQ(cancelled.count(), 1);
  EXPECT_FALSE(dialog.isVisible());
  dialog.ShowSeconds(29);
  dialog.OkButton()->click();
  EXPECT_EQ(confirmed.count(), 1);
  dialog.ShowSeconds(0);
  dialog.Dismiss();
  EXPECT_EQ(cancelled.count(), 1);
  EXPECT_EQ(confirmed.count(), 1);
}

class FakeSetter : public ClockSetter {
 public:
  explicit FakeSetter(ClockSetResult answer) : answer_(answer) {}
  ClockSetResult SetUtc(std::int64_t utc_seconds) override {
    asked.push_back(utc_seconds);
    return answer_;
  }
  std::vector<std::int64_t> asked;

 private:
  ClockSetResult answer_;
};

// Against a Daytime server on 127.0.0.1: every outcome is told, the clock
// is set only from a valid reply, and the window closes only on success.
TEST(AdjustTimeDialogTest, ReportsEachOutcomeHonestly) {
  test::QtApp();
  const IniFile eng = Language("eng");
  Messages().Load(eng);
  const struct {
    const char* name;
    std::string reply;  // "" closes at once; "@silent" never answers
    ClockSetResult setter;
    bool set;
    const char* told;
  } cases[] = {
      {"valid", "\n60384 24-03-15 12:34:56 00 0 0 50.0 UTC(NIST) *\n", ClockSetResult::kSet, true,
       "Already corrected your computer time!"},
      {"ntp on", "60384 24-03-15 12:34:56 00 0 0 50.0 UTC(NIST) *", ClockSetResult::kNtpActive, false,
       "Error in setting system time.\r\nThe system keeps the clock by network time (NTP)"},
      {"not authorised", "60384 24-03-15 12:34:56 00 0 0 50.0 UTC(NIST) *", ClockSetResult::kNotPermitted, false,
       "Error in setting system time.\r\nThe system did not allow this program"},
      {"empty", "", ClockSetResult::kSet, false, "The server closed the connection without an answer."},
      {"garbage", "HTTP/1.0 400 Bad Request", ClockSetResult::kSet, false,
       "Error in setting system time.\r\nThe server's answer is not a time in the NIST form."},
      {"unhealthy", "60384 24-03-15 12:34:56 00 0 2 50.0 UTC(NIST) *", ClockSetResult::kSet, false,
       "Error in setting system time.\r\nThe server says its own time may be wrong."},
      {"flooding", std::string(4096, '7'), ClockSetResult::kSet, false,
       "Error in setting system time.\r\nThe server's answer is not a time in the NIST form."},
      {"silent", "@silent", ClockSetResult::kSet, false, "The server did not finish its answer in time."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string reply = c.reply;
    test::TestTcpServer server([reply](test::TestTcpServer::Connection& connection) {
      if (reply == "@silent") {
        connection.SleepFor(3s);
        return;
      }
      connection.Send(reply);
    });
    QtDispatcher dispatcher;
    auto setter = std::make_shared<FakeSetter>(c.setter);
    test::FakePrompts prompts;
    DaytimeOptions options;
    options.port = server.Port();
    options.deadline = 1s;
    TfrmAdjustTime dialog(dispatcher, setter, prompts, &eng, options);
    dialog.show();
    EXPECT_EQ(dialog.Servers()->count(), 19);
    dialog.Servers()->setEditText(u"127.0.0.1"_s);
    std::optional<bool> reported;
    dialog.on_reported = [&](bool set) { reported = set; };
    dialog.Adjust();
    EXPECT_FALSE(dialog.AdjustButton()->isEnabled());
    ASSERT_TRUE(test::WaitUntil([&] { return reported.has_value(); }, 8000));
    EXPECT_EQ(*reported, c.set);
    EXPECT_TRUE(dialog.AdjustButton()->isEnabled());
    ASSERT_EQ(prompts.infos.size(), 1u);
    EXPECT_NE(prompts.infos[0].find(c.told), std::string::npos) << prompts.infos[0];
    const bool reached_setter = c.setter != ClockSetResult::kSet || c.set;
    EXPECT_EQ(setter->asked.size(), reached_setter ? 1u : 0u);
    // 2024-03-15 12:34:56 UTC
    if (!setter->asked.empty()) {
      EXPECT_EQ(setter->asked[0], 1710506096);
    }
    // Only success closes the window.
    EXPECT_EQ(dialog.isVisible(), !c.set);
    if (c.set) {
      EXPECT_NE(prompts.infos[0].find("Local time:"), std::string::npos);
      EXPECT_NE(prompts.infos[0].find("Standard time:"), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace tazmel
