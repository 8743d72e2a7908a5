#pragma once

#include <QDialog>
#include <filesystem>
#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tazmel {

class IniFile;
class UserPrompts;

// Sends a submission (type, data) and calls `done` later on this thread
// with the server's answer, empty on any failure.
using SubmitFunction =
    std::function<void(const std::string& type, const std::string& data, std::function<void(std::string)> done)>;

// "About": title, version, installed data version, web site, author.
class TfrmAbout : public QDialog {
  Q_OBJECT

 public:
  struct Facts {
    QString title;         // the application title
    std::string version;   // "%d.%d.%d.%d"
    std::string data;      // the installed data version
    std::string web_site;  // opened when clicked
    std::string author;
  };
  TfrmAbout(Facts facts, const IniFile* language, std::function<void(const std::string&)> open_web_page,
            QWidget* parent = nullptr);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowWebSite(bool hovered);

  Facts facts_;
  std::function<void(const std::string&)> open_web_page_;
  QLabel* web_site_ = nullptr;
};

// "Users Found Questions": a problem report with a contact, sent to the
// server; offered by e-mail when the server does not take it.
class TfrmQuestion : public QDialog {
  Q_OBJECT

 public:
  TfrmQuestion(const QString& title, const IniFile* language, SubmitFunction submit, UserPrompts& prompts,
               std::function<void(const std::string&)> open_address, QWidget* parent = nullptr);

  void Send();
  QPlainTextEdit* Report() const { return report_; }
  QLineEdit* Contact() const { return contact_; }
  QPushButton* SendButton() const { return send_; }

 private:
  void Answered(const std::string& report, const std::string& answer);

  SubmitFunction submit_;
  UserPrompts& prompts_;
  std::function<void(const std::string&)> open_address_;
  QPlainTextEdit* report_ = nullptr;
  QLineEdit* contact_ = nullptr;
  QPushButton* send_ = nullptr;
};

// "Get The Latest Proxy List": proxy.txt of the program folder, refreshed
// from the server on request.
class TfrmGetProxy : public QDialog {
  Q_OBJECT

 public:
  TfrmGetProxy(std::filesystem::path proxy_file, const IniFile* language, SubmitFunction submit,
               QWidget* parent = nullptr);

  void GetNewList();
  QPlainTextEdit* Memo() const { return memo_; }
  QPushButton* GetButton() const { return get_; }

 private:
  void Save();

  std::filesystem::path proxy_file_;
  SubmitFunction submit_;
  QPlainTextEdit* memo_ = nullptr;
  QPushButton* get_ = nullptr;
};

}  // namespace tazmel
