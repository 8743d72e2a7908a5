#include "app/editor_controller.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>

#include "core/messages.h"
#include "core/program_paths.h"
#include "core/system.h"
#include "core/text_utils.h"
#include "online/submission.h"
#include "platform/language_ids.h"
#include "playback/media_kind.h"
#include "playback/station_check.h"
#include "playback/station_learning.h"
#include "stations/tree_editor.h"
#include "ui/editor/editor_window.h"
#include "ui/text_edge.h"
#include "ui/translator.h"

namespace tazmel {
namespace {

constexpr int kNoNameSlot = 114;
constexpr int kSendFailedSlot = 118;
constexpr int kNothingSlot = 119;

void FillList(QComboBox& box, const std::vector<std::string>& items) {
  const QString text = box.currentText();
  box.clear();
  for (const std::string& item : items) box.addItem(FromGb(item));
  box.setEditText(text);
}

}  // namespace

EditorController::EditorController(EditorParts parts, EditorHooks hooks)
    : parts_(std::move(parts)),
      hooks_(std::move(hooks)),
      model_(parts_.paths, parts_.prompts,
             StationEditorHooks{.add_node =
                                    [this](int id, const std::string& name) {
                                      bool added = false;
                                      auto change = [&] { added = parts_.tree.AddStationNode(id, name); };
                                      hooks_.change_tree ? hooks_.change_tree(change) : change();
                                      return added;
                                    },
                                .rename_nodes =
                                    [this](int id, const std::string& name) {
                                      auto change = [&] { parts_.tree.RenameStationNodes(id, name); };
                                      hooks_.change_tree ? hooks_.change_tree(change) : change();
                                    },
                                .remove_nodes =
                                    [this](int id) {
                                      bool removed = false;
                                      auto change = [&] { removed = parts_.tree.RemoveStationNodes(id); };
                                      hooks_.change_tree ? hooks_.change_tree(change) : change();
                                      return removed;
                                    }}) {
  // A reload takes the whole tree (and may switch the data folder): no
  // check goes on across it.
  listener_ = parts_.tree.AddRemovalListener([this](const TreeNode* removed) {
    if (removed == nullptr) StopCheck();
  });
}

EditorController::~EditorController() {
  parts_.tree.RemoveRemovalListener(listener_);
  // The players go before the window and before what they play through.
  StopCheck();
  check_.reset();
  if (window_ && window_->parent() == nullptr) delete window_.data();
}

bool EditorController::Busy() const { return check_ && check_->Running(); }
bool EditorController::Visible() const { return window_ && window_->isVisible(); }

void EditorController::StopCheck() {
  if (!check_ || !check_->Running()) return;
  check_->Abort();
  if (window_) {
    window_->SetChecking(false);
    ShowEditing();
  }
}

TfrmEditor& EditorController::EnsureWindow() {
  if (!window_) {
    window_ = new TfrmEditor(parts_.owner);
    TranslateWindow(*window_, parts_.language);
    LoadWordLists(*window_);
    Connect(*window_);
    // The owner may take the window with it: the players stop first.
    connect(window_, &QObject::destroyed, this, [this] {
      if (check_) check_->Abort();
    });
  }
  return *window_;
}

void EditorController::LoadWordLists(TfrmEditor& w) {
  words_ = LoadEditorWordLists(parts_.paths.LanguageFolder() / parts_.paths.LanguageCode());
  if (words_.languages.empty()) words_.languages = LanguageNames(parts_.user_language_id);
  FillList(*w.cbbGenre, words_.genres);
  FillList(*w.cbbLanguage, words_.languages);
  FillList(*w.cbbSpeed, words_.speeds);
  FillList(*w.cbbCountry, CountriesOf(words_.places));
}

void EditorController::Connect(TfrmEditor& w) {
  connect(w.btnAppend, &QPushButton::clicked, this, [this] { Append(); });
  connect(w.btnInsert, &QPushButton::clicked, this, [this] { Insert(); });
  connect(w.btnModify, &QPushButton::clicked, this, [this] { Modify(); });
  connect(w.btnDelete, &QPushButton::clicked, this, [this] { Delete(); });
  connect(w.btnFindName, &QPushButton::clicked, this, [this] { FindName(); });
  connect(w.btnFindUrl, &QPushButton::clicked, this, [this] { FindUrl(); });
  connect(w.btnVerify, &QPushButton::clicked, this, [this] { Verify(); });
  connect(w.btnSend, &QPushButton::clicked, this, [this] { Send(); });
  connect(w.btnFirst, &QPushButton::clicked, this, [this] {
    model_.First();
    ShowCurrent();
  });
  connect(w.btnPrev, &QPushButton::clicked, this, [this] {
    model_.Previous();
    ShowCurrent();
  });
  connect(w.btnNext, &QPushButton::clicked, this, [this] {
    model_.Next();
    ShowCurrent();
  });
  connect(w.btnLast, &QPushButton::clicked, this, [this] {
    model_.Last();
    ShowCurrent();
  });
  connect(w.btnHomepage, &QPushButton::clicked, this, [this] { OpenPage(ToGb(window_->edtHomepage->text()), false); });
  connect(w.btnSchedule, &QPushButton::clicked, this, [this] { OpenPage(ToGb(window_->edtSchedule->text()), true); });
  connect(w.cbbCountry, &QComboBox::activated, this, [this] { FillStates(); });
  connect(w.cbbState, &QComboBox::activated, this, [this] { FillCities(); });
  connect(&w, &TfrmEditor::stateListWanted, this, [this] { FillStates(); });
  connect(&w, &TfrmEditor::cityListWanted, this, [this] { FillCities(); });
  connect(&w, &TfrmEditor::edited, this, [this] { Edited(); });
  connect(&w, &TfrmEditor::escapePressed, this, [this] { StopCheck(); });
}

void EditorController::ShowCurrent() {
  TfrmEditor& w = EnsureWindow();
  w.ShowRecord(model_.Shown(), !model_.Editable());
  w.SetRecNo(model_.PositionText());
}

void EditorController::ShowEditing() { EnsureWindow().SetEditable(model_.Editable(), shown_); }

void EditorController::Edited() {
  if (!model_.Editable() || !shown_ || Busy()) return;
  window_->btnModify->setEnabled(true);
  window_->btnSend->setEnabled(true);
}

void EditorController::NewStation(int after_id, const std::string& name, const std::string& address) {
  TfrmEditor& w = EnsureWindow();
  if (Busy()) return;
  model_.NewStation(after_id);
  w.ClearFields();
  w.edtStationName->setText(FromGb(name));
  if (!address.empty()) w.SetAddresses({address});
  ShowEditing();
  w.show();
  w.raise();
  w.activateWindow();
  shown_ = true;
  w.edtStationName->setFocus();
}

void EditorController::EditStation(int id) {
  TfrmEditor& w = EnsureWindow();
  if (Busy()) return;
  model_.OpenStation(id);
  ShowCurrent();
  ShowEditing();
  w.show();
  w.raise();
  w.activateWindow();
  shown_ = true;
}

void EditorController::Append() {
  if (model_.Append(window_->FormRecord()) == StationEditorModel::Outcome::kNoName) return;
  ShowCurrent();
  window_->edtStationName->setFocus();
}

void EditorController::Insert() {
  if (model_.Insert(window_->FormRecord()) == StationEditorModel::Outcome::kNoName) return;
  ShowCurrent();
}

void EditorController::Modify() {
  const auto outcome = model_.Modify(window_->FormRecord());
  if (outcome == StationEditorModel::Outcome::kNoName || outcome == StationEditorModel::Outcome::kNothing) return;
  ShowCurrent();
  window_->btnModify->setEnabled(false);
}

void EditorController::Delete() {
  if (model_.Delete(window_->FormRecord()) != StationEditorModel::Outcome::kCancelled) ShowCurrent();
}

void EditorController::FindName() {
  TfrmEditor& w = *window_;
  const QString text =
      w.edtStationName->hasSelectedText() ? w.edtStationName->selectedText() : w.edtStationName->text();
  if (model_.FindName(ToGb(text))) {
    w.ShowRecord(model_.Shown(), false);
    return;
  }
  // A miss keeps the text for the next try.
  w.ClearFields();
  w.edtStationName->setText(text);
}

void EditorController::FindUrl() {
  TfrmEditor& w = *window_;
  QString text;
  if (w.UrlsEditorShown()) {
    text = w.mmoUrls->textCursor().selectedText();
    if (text.isEmpty()) text = w.mmoUrls->toPlainText().section(QLatin1Char('\n'), 0, 0).trimmed();
  } else {
    text = w.cbbStreamUrl->currentText();
  }
  if (model_.FindUrl(ToGb(text))) {
    w.ShowRecord(model_.Shown(), false);
    return;
  }
  w.ClearFields();
  w.cbbStreamUrl->setEditText(text);
}

void EditorController::OpenPage(const std::string& text, bool schedule) {
  if (TrimBlanks(text).empty() || !hooks_.open_web_page) return;
  // Only web pages leave the editor: a file, mail or script link typed or
  // imported into a station is not opened.
  StationRecord page;
  (schedule ? page.VSchedule : page.VHomepage) = text;
  if (const std::optional<std::string> address = ProgramListAddress(page)) hooks_.open_web_page(*address);
}

void EditorController::FillStates() {
  TfrmEditor& w = *window_;
  const std::string country = ToGb(w.cbbCountry->currentText());
  w.cbbState->clear();
  w.cbbCity->clear();
  for (const std::string& state : StatesOf(words_.places, country)) w.cbbState->addItem(FromGb(state));
  w.cbbState->setEditText(QString());
  w.cbbCity->setEditText(QString());
}

void EditorController::FillCities() {
  TfrmEditor& w = *window_;
  const std::string country = ToGb(w.cbbCountry->currentText());
  const std::string state = ToGb(w.cbbState->currentText());
  const QString text = w.cbbCity->currentText();
  w.cbbCity->clear();
  for (const std::string& city : CitiesOf(words_.places, country, state)) w.cbbCity->addItem(FromGb(city));
  w.cbbCity->setEditText(text);
}

void EditorController::Verify() {
  TfrmEditor& w = *window_;
  if (Busy()) return;
  if (!w.UrlsEditorShown()) w.CommitAddressText();
  const std::vector<std::string> addresses = w.Addresses();
  if (!check_) {
    check_ = std::make_unique<StationCheck>(StationCheckServices{.dispatcher = parts_.dispatcher,
                                                                 .clock = clock_,
                                                                 .factory = parts_.factory,
                                                                 .pages = parts_.pages,
                                                                 .wmp9_installed = parts_.wmp9_installed,
                                                                 .proxies = parts_.proxies});
    check_->on_address = [this](int index) {
      if (window_ && !window_->UrlsEditorShown()) window_->SelectAddress(index);
    };
    check_->on_kind = [this](MediaKind kind) {
      if (window_ && window_->cbbFormat->currentIndex() == 0)
        window_->cbbFormat->setCurrentIndex(MediaKindDigit(kind) - '0');
    };
    check_->on_done = [this](const StationCheckResult& result) { CheckDone(result); };
  }
  const MediaKind kind = MediaKindFromFormat(std::to_string(std::max(w.cbbFormat->currentIndex(), 0)));
  const MediaKind stored = MediaKindFromFormat(model_.Shown().VFormat);
  w.cbbValidity->setCurrentIndex(0);
  w.SetChecking(true);
  if (!check_->Start(addresses, kind, stored, ToGb(w.edtProxy->text()))) {
    w.SetChecking(false);
    ShowEditing();
  }
}

void EditorController::CheckDone(const StationCheckResult& result) {
  if (!window_) return;
  TfrmEditor& w = *window_;
  w.SetChecking(false);
  ShowEditing();
  if (!result.good) return;
  w.cbbValidity->setCurrentIndex(std::stoi(ValidityFromSeconds(result.seconds)));
  if (!result.bandwidth.empty()) w.cbbSpeed->setEditText(FromGb(result.bandwidth));
  if (result.audio_language > 0 && result.audio_language != parts_.user_language_id) {
    const std::string name(LanguageName(result.audio_language));
    const std::size_t open = name.find('(');
    if (open == std::string::npos) {
      if (w.cbbLanguage->currentText().isEmpty()) w.cbbLanguage->setEditText(FromGb(name));
    } else {
      if (w.cbbLanguage->currentText().isEmpty()) w.cbbLanguage->setEditText(FromGb(name.substr(0, open)));
      if (model_.Shown().VCountry.empty() && name.size() >= open + 2) {
        w.cbbCountry->setEditText(FromGb(name.substr(open + 1, name.size() - open - 2)));
      }
    }
  }
  Edited();
}

void EditorController::Send() {
  TfrmEditor& w = *window_;
  const StationRecord form = w.FormRecord();
  if (TrimBlanks(form.VRadioName).empty()) {
    parts_.prompts.ShowInfo(Msg(kNoNameSlot));
    return;
  }
  if (TrimBlanks(form.VStreamURL).empty()) {
    parts_.prompts.ShowInfo(Msg(kNothingSlot));
    return;
  }
  if (!hooks_.submit) return;
  w.btnSend->setEnabled(false);
  const std::string text = StationSubmissionText(form, ToGb(w.cbbValidity->currentText()));
  const std::string name(TrimBlanks(form.VRadioName));
  hooks_.submit("5", text, [this, alive = std::weak_ptr<int>(alive_), text, name](std::string answer) {
    if (alive.expired() || IsAccepted(answer)) return;
    const std::string mail = hooks_.feedback_mail ? hooks_.feedback_mail() : FeedbackMail();
    if (parts_.prompts.AskQuestion(FormatSlot(Msg(kSendFailedSlot), mail))) {
      if (hooks_.open_web_page) hooks_.open_web_page(MailLink(mail, "!Tazmel : " + name, text));
    } else if (window_) {
      window_->btnSend->setEnabled(true);
    }
  });
}

}  // namespace tazmel
