// The station editor's window and controller over the tree pane's fixture:
// what a system station shows, which pages are opened, and Send through
// the submission request to a loopback server.
#include "app/editor_controller.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <mutex>

#include "app/qt_dispatcher.h"
#include "core/ini_file.h"
#include "online/browser_fetch.h"
#include "online/request_query.h"
#include "online/submission.h"
#include "platform/registry.h"
#include "playback/scripted_players.h"
#include "stations/radio_table.h"
#include "stations/text_table.h"
#include "stations/tree_editor.h"
#include "support/http_server.h"
#include "ui/radio_tree_fixture.h"

namespace tazmel {
namespace {

using namespace std::chrono_literals;

class EditorControllerTest : public ::testing::Test, protected test::RadioTreeFixture {
 protected:
  void SetUp() override {
    controller_ = std::make_unique<EditorController>(
        EditorParts{.owner = nullptr,
                    .paths = paths(),
                    .language = language_,
                    .prompts = prompts(),
                    .tree = editor(),
                    .dispatcher = dispatcher_,
                    .factory = factory_,
                    .pages = &pages_,
                    .wmp9_installed = [] { return true; },
                    .proxies = nullptr,
                    .user_language_id = 0x0409},
        EditorHooks{
            .change_tree = {},
            .submit =
                [this](const std::string& type, const std::string& data, std::function<void(std::string)> done) {
                  pages_.Fetch(SubmissionAddress(server_.Url("/"), type, fields_, data),
                               [done = std::move(done)](PageReply reply) {
                                 done(reply.status == PageReply::Status::kOk ? reply.body : std::string());
                               });
                },
            .open_web_page = [this](const std::string& address) { opened_.push_back(address); },
            .feedback_mail = [] { return std::string("feedback@example.org"); }});
    server_.ServeHandler("/send.aspx?", [this](test::TestHttpConnection& c) {
      {
        std::lock_guard lock(mutex_);
        targets_.push_back(c.Target());
      }
      const std::string body = answer_;
      if (c.WriteHead(200, {{"Content-Type", "text/plain"}, {"Content-Length", std::to_string(body.size())}})) {
        c.Write(body);
      }
    });
  }

  void TearDown() override { controller_.reset(); }

  TfrmEditor& window() { return *controller_->Window(); }

  std::size_t Requests() {
    std::lock_guard lock(mutex_);
    return targets_.size();
  }

  IniFile language_;
  QtDispatcher dispatcher_;
  test::ScriptedFactory factory_;
  test::TempDir registry_dir_;
  Registry registry_{registry_dir_ / "registry.ini"};
  BrowserPageFetcher pages_{dispatcher_, registry_};
  ClientFields fields_{"1.0.0.0", "eng", 0x0409};
  test::TestHttpServer server_;
  std::string answer_ = "ok\r\n";
  std::mutex mutex_;
  std::vector<std::string> targets_;
  std::vector<std::string> opened_;
  std::unique_ptr<EditorController> controller_;
};

TEST_F(EditorControllerTest, ASystemStationOpensReadOnlyWithoutItsAddresses) {
  StationRecord system;
  system.VID = "42";
  system.VRadioName = "System FM";
  system.VGenre = "News";
  system.VStreamURL = "http://secret.example/live";
  const std::string line = FormatStationLine(system);
  ASSERT_TRUE(WriteTextTable(paths().SystemTablePath(), {ScrambleLine(line)}));
  controller_->EditStation(42);
  TfrmEditor& w = window();
  EXPECT_EQ(w.edtStationName->text(), QStringLiteral("System FM"));
  EXPECT_EQ(w.cbbGenre->currentText(), QStringLiteral("News"));
  EXPECT_EQ(w.cbbStreamUrl->count(), 0);
  EXPECT_TRUE(w.cbbStreamUrl->currentText().isEmpty());
  for (QPushButton* b : {w.btnAppend, w.btnInsert, w.btnModify, w.btnDelete, w.btnSend, w.btnVerify, w.btnFindName,
                         w.btnFindUrl, w.btnMoreUrs}) {
    EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
  }
}

TEST_F(EditorControllerTest, OnlyWebPagesAreOpened) {
  struct Case {
    const char* typed;
    const char* opened;  // nullptr: nothing
  };
  const Case cases[] = {
      {"radio.example", "http://radio.example/"},
      {"https://radio.example/", "https://radio.example/"},
      {"file:///etc/passwd", nullptr},
      {"javascript:alert(1)", nullptr},
      {"mailto:someone@example.org", nullptr},
      {"   ", nullptr},
  };
  controller_->NewStation(0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    opened_.clear();
    window().edtHomepage->setText(QString::fromLatin1(c.typed));
    window().btnHomepage->click();
    window().edtSchedule->setText(QString::fromLatin1(c.typed));
    window().btnSchedule->click();
    if (c.opened) {
      EXPECT_EQ(opened_, (std::vector<std::string>{c.opened, c.opened}));
    } else {
      EXPECT_TRUE(opened_.empty());
    }
  }
}

TEST_F(EditorControllerTest, SendPutsTheStationIntoTheSubmissionRequest) {
  controller_->EditStation(100003);  // Radio Two from the fixture's user table
  TfrmEditor& w = window();
  ASSERT_EQ(w.edtStationName->text(), QStringLiteral("Radio Two"));
  w.edtStationName->setText(QStringLiteral(" Radio Two "));
  emit w.edited();
  ASSERT_TRUE(w.btnSend->isEnabled());
  w.btnSend->click();
  EXPECT_FALSE(w.btnSend->isEnabled()) << "disabled while it is sent";
  ASSERT_TRUE(QTest::qWaitFor([this] { return Requests() == 1; }, 10000));
  QTest::qWait(100);

  const StationRecord shown = w.FormRecord();
  const std::string text = StationSubmissionText(shown, "Best");
  EXPECT_EQ(text.substr(0, 17), "100003\tRadio Two\t");
  EXPECT_NE(text.find("\tBest\t"), std::string::npos);
  {
    std::lock_guard lock(mutex_);
    EXPECT_EQ(targets_[0], "/send.aspx" + RequestQuery("5", fields_, text));
  }
  EXPECT_TRUE(prompts().questions.empty());
  EXPECT_FALSE(w.btnSend->isEnabled()) << "accepted: stays disabled until the next change";
}

TEST_F(EditorControllerTest, ARefusedSubmissionOffersMailAndNoEnablesSendAgain) {
  answer_ = "error";
  controller_->EditStation(100003);
  TfrmEditor& w = window();
  emit w.edited();
  prompts().answers = {false};
  w.btnSend->click();
  ASSERT_TRUE(QTest::qWaitFor([this] { return !prompts().questions.empty(); }, 10000));
  EXPECT_EQ(prompts().questions[0], "Sending failure, send to Email:feedback@example.org?");
  EXPECT_TRUE(w.btnSend->isEnabled());

  // Yes opens the mail link with the same text.
  prompts().answers = {true};
  w.btnSend->click();
  ASSERT_TRUE(QTest::qWaitFor([this] { return prompts().questions.size() == 2; }, 10000));
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_TRUE(
      opened_[0].starts_with("mailto:feedback@example.org?subject=!Tazmel : Radio Two&body=100003%09Radio%20Two"))
      << opened_[0];
}

TEST_F(EditorControllerTest, SendNeedsANameAndAnAddress) {
  controller_->NewStation(0);
  TfrmEditor& w = window();
  w.btnSend->setEnabled(true);
  w.btnSend->click();
  w.edtStationName->setText(QStringLiteral("Nameless"));
  w.btnSend->click();
  EXPECT_EQ(prompts().infos,
            (std::vector<std::string>{"Please inpute Station Name.", "Sorry, you have filled in nothing."}));
  QTest::qWait(50);
  EXPECT_EQ(Requests(), 0u);
}

TEST_F(EditorControllerTest, TheChosenAddressBecomesTheFirstOneStored) {
  controller_->EditStation(100003);
  TfrmEditor& w = window();
  w.SetAddresses({"http://a/", "http://b/", "http://c/"});
  emit w.cbbStreamUrl->activated(2);
  EXPECT_EQ(w.cbbStreamUrl->currentText(), QStringLiteral("http://c/"));
  ASSERT_TRUE(w.btnModify->isEnabled());
  w.btnModify->click();
  TRadioTable table;
  ASSERT_TRUE(table.OpenFor(100003, paths()));
  ASSERT_TRUE(table.LoadByID(100003));
  EXPECT_EQ(table.Fields().VStreamURL, "http://c/||http://a/||http://b/");
  EXPECT_EQ(table.Fields().VRadioName, "Radio Two");
  EXPECT_FALSE(w.btnModify->isEnabled());
}

// A running check holds the window open; Escape, a tree reload and the
// controller going away each stop its player.
TEST_F(EditorControllerTest, ACheckStopsCleanlyOnEscapeReloadAndDestruction) {
  controller_->EditStation(100003);
  TfrmEditor& w = window();
  w.show();
  w.cbbFormat->setCurrentIndex(2);
  auto start_check = [&] {
    w.btnVerify->click();
    ASSERT_TRUE(controller_->Busy());
    ASSERT_NE(factory_.wmp9, nullptr);
    EXPECT_EQ(factory_.wmp9->url, "http://two.example/live");
    EXPECT_FALSE(w.btnClose->isEnabled());
    EXPECT_EQ(w.cbbValidity->currentIndex(), 0) << "Unknown until it plays";
  };

  start_check();
  w.close();
  EXPECT_TRUE(w.isVisible()) << "no closing while checking";
  QTest::keyClick(&w, Qt::Key_Escape);
  EXPECT_FALSE(controller_->Busy());
  EXPECT_TRUE(w.isVisible());
  EXPECT_TRUE(w.btnClose->isEnabled());
  EXPECT_TRUE(w.btnVerify->isEnabled());
  EXPECT_GE(factory_.wmp9->log.Count("Stop"), 1);

  start_check();
  factory_.wmp9->log.Clear();
  editor().ReloadTree(-1, -1);
  EXPECT_FALSE(controller_->Busy());
  EXPECT_GE(factory_.wmp9->log.Count("Stop"), 1);

  start_check();
  controller_.reset();
  QTest::qWait(50);
}

}  // namespace
}  // namespace tazmel
