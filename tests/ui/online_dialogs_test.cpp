#include "ui/online/online_dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "fake_prompts.h"
#include "online/submission.h"
#include "qt_app.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

// Answers every submission with the next canned text, at once.
struct FakeServer {
  SubmitFunction Function() {
    return [this](const std::string& type, const std::string& data, std::function<void(std::string)> done) {
      sent.emplace_back(type, data);
      std::string answer = answers.empty() ? std::string() : answers.front();
      if (!answers.empty()) answers.erase(answers.begin());
      done(answer);
    };
  }
  std::vector<std::pair<std::string, std::string>> sent;
  std::vector<std::string> answers;
};

class OnlineDialogsTest : public ::testing::Test {
 protected:
  QApplication& app_ = test::QtApp();  // before any widget
  test::FakePrompts prompts_;
  FakeServer server_;
  std::vector<std::string> opened_;
};

// Blanks only are refused before anything is sent; "ok" with a line break
// is accepted; anything else offers the e-mail with the same text.
TEST_F(OnlineDialogsTest, ProblemReport) {
  TfrmQuestion dialog(QStringLiteral("Tazmel"), nullptr, server_.Function(), prompts_,
                      [this](const std::string& a) { opened_.push_back(a); });
  dialog.Report()->setPlainText(QStringLiteral("   "));
  dialog.Send();
  EXPECT_EQ(prompts_.infos, (std::vector<std::string>{"Sorry, you have filled in nothing."}));
  EXPECT_TRUE(server_.sent.empty());

  server_.answers = {"ok\r\n", "<html>busy</html>"};
  dialog.Report()->setPlainText(QStringLiteral("no sound at all, please help me"));
  dialog.Contact()->setText(QStringLiteral("me@example.org"));
  dialog.Send();
  ASSERT_EQ(server_.sent.size(), 1u);
  EXPECT_EQ(server_.sent[0].first, "6");
  EXPECT_EQ(server_.sent[0].second, "no sound at all, please help me\r\nme@example.org");
  EXPECT_TRUE(prompts_.questions.empty());
  EXPECT_TRUE(dialog.SendButton()->isEnabled());

  prompts_.answers = {true};
  dialog.Send();
  EXPECT_EQ(prompts_.questions, (std::vector<std::string>{"Sending failure, send to Email:" + FeedbackMail() + "?"}));
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0], "mailto:" + FeedbackMail() + "?subject=!Question : no sound at all, ple&body=" +
                            MailEncode("no sound at all, please help me\r\nme@example.org"));
}

// The report holds at most 500 characters.
TEST_F(OnlineDialogsTest, ReportLength) {
  TfrmQuestion dialog(QStringLiteral("Tazmel"), nullptr, server_.Function(), prompts_, {});
  dialog.Report()->setPlainText(QString(600, u'x'));
  EXPECT_EQ(dialog.Report()->toPlainText().size(), 500);
}

// The list loads from proxy.txt; an HTML page or a failure leaves the memo
// as it was, a list replaces it; OK saves it.
TEST_F(OnlineDialogsTest, ProxyList) {
  test::TempDir dir;
  test::WriteFile(dir / "proxy.txt", "old.example:3128\r\n");
  server_.answers = {"<HTML><BODY>Error</BODY></HTML>", "", "new.example:8080\r\nother.example:80"};
  TfrmGetProxy dialog(dir / "proxy.txt", nullptr, server_.Function());
  EXPECT_EQ(dialog.Memo()->toPlainText(), QStringLiteral("old.example:3128\n"));
  dialog.GetNewList();
  dialog.GetNewList();
  EXPECT_EQ(dialog.Memo()->toPlainText(), QStringLiteral("old.example:3128\n"));
  dialog.GetNewList();
  EXPECT_EQ(server_.sent[2], (std::pair<std::string, std::string>{"7", ""}));
  EXPECT_EQ(dialog.Memo()->toPlainText(), QStringLiteral("new.example:8080\nother.example:80"));
  EXPECT_TRUE(dialog.GetButton()->isEnabled());
  dialog.findChild<QPushButton*>(QStringLiteral("btnOk"))->click();
  EXPECT_EQ(test::ReadFile(dir / "proxy.txt"), "new.example:8080\r\nother.example:80\r\n");
}

// The about box shows the facts after the captions.
TEST_F(OnlineDialogsTest, About) {
  TfrmAbout dialog({.title = QStringLiteral("Tazmel"),
                    .version = "0.1.0.0",
                    .data = "2030-01-01",
                    .web_site = "https://tazmel.org",
                    .author = "The authors"},
                   nullptr, {});
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("About Tazmel"));
  EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("lblVersion"))->text(), QStringLiteral("Version 0.1.0.0"));
  EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("lblData"))->text(), QStringLiteral("Data 2030-01-01"));
}

TEST(SubmissionTest, Texts) {
  EXPECT_EQ(MailLink("a@b", "s", "a b"), "mailto:a@b?subject=s&body=a%20b");
  EXPECT_EQ(MailEncode("*-.@_~"), "*-.@_%7E");
  EXPECT_TRUE(IsAccepted("ok\r\n"));
  EXPECT_TRUE(IsAccepted(" ok "));
  EXPECT_FALSE(IsAccepted("OK fine"));
  EXPECT_FALSE(IsAccepted(""));
  EXPECT_TRUE(LooksLikeWebPage("<Head>"));
  EXPECT_FALSE(LooksLikeWebPage("1.2.3.4:80"));
}

}  // namespace
}  // namespace tazmel
