#include "ui/schedule/task_dialog.h"

#include <QComboBox>
#include <QCursor>
#include <QDateEdit>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "core/ini_file.h"
#include "core/system.h"
#include "ui/schedule/list_view_ex.h"
#include "ui/text_edge.h"
#include "ui/translator.h"

namespace tazmel {
namespace {

// The whole task, in the file's own form, rides on each row.
constexpr int kTaskRole = Qt::UserRole + 1;
enum Column { kCheck = 0, kAction, kName, kFrequency, kTime };

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& text) {
  return Named(new QPushButton(text, parent), name);
}

QString TwoDigits(int value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); }

QString TimeOfDay(int seconds) {
  return TwoDigits(seconds / 3600) + u':' + TwoDigits(seconds / 60 % 60) + u':' + TwoDigits(seconds % 60);
}

int SecondsOf(const QTime& time) { return time.hour() * 3600 + time.minute() * 60 + time.second(); }

using StationItems = std::vector<StationMenuItem>;

// One entry per tree node, nested as the tree; only stations can be
// chosen. Submenus fill when they open, so a big tree costs nothing until
// someone looks into it.
void FillStations(QMenu* menu, const StationItems& items, const std::shared_ptr<const StationItems>& keep,
                  std::string* chosen) {
  for (const StationMenuItem& item : items) {
    if (item.is_station) {
      QAction* action = menu->addAction(FromGb(item.caption));
      const std::string text = std::to_string(item.tag) + "-" + item.caption;
      QObject::connect(action, &QAction::triggered, menu, [chosen, text] { *chosen = text; });
      continue;
    }
    QMenu* sub = menu->addMenu(FromGb(item.caption));
    const StationMenuItem* source = &item;
    QObject::connect(sub, &QMenu::aboutToShow, sub, [sub, source, keep, chosen] {
      if (sub->property("filled").toBool()) return;
      sub->setProperty("filled", true);
      if (source->load_children) {
        auto loaded = std::make_shared<const StationItems>(source->load_children());
        FillStations(sub, *loaded, loaded, chosen);
      } else {
        FillStations(sub, source->children, keep, chosen);
      }
    });
  }
}

}  // namespace

TfrmTask::TfrmTask(std::filesystem::path task_file, UserPrompts& prompts, const IniFile* language,
                   TaskDialogHooks hooks, QWidget* parent)
    : QDialog(parent),
      task_file_(std::move(task_file)),
      prompts_(prompts),
      language_(language),
      hooks_(std::move(hooks)) {
  setObjectName(QStringLiteral("frmTask"));
  setWindowTitle(QStringLiteral("Play & Record Task Scheduler"));

  action_ = Named(new QComboBox(this), "cbbAction");
  action_->addItem(QStringLiteral("Play"), static_cast<int>(TaskAction::kPlay));
  action_->addItem(QStringLiteral("Record"), static_cast<int>(TaskAction::kRecord));
  name_ = Named(new QLineEdit(this), "edtName");
  select_ = Button(this, "btnSelect", QStringLiteral("..."));
  select_->setFixedWidth(select_->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
  radio_name_ = Named(new QLabel(QStringLiteral("Radio Name"), this), "lblRadioName");
  file_name_ = Named(new QLabel(QStringLiteral("File Name"), this), "lblFileName");
  frequency_ = Named(new QComboBox(this), "cbbFrequency");
  frequency_->addItem(QStringLiteral("Once"), static_cast<int>(TaskFrequency::kOnce));
  frequency_->addItem(QStringLiteral("Daily"), static_cast<int>(TaskFrequency::kDaily));
  frequency_->addItem(QStringLiteral("Weekly"), static_cast<int>(TaskFrequency::kWeekly));
  const QDateTime now = QDateTime::currentDateTime();
  start_date_ = Named(new QDateEdit(now.date(), this), "dtpStartDate");
  end_date_ = Named(new QDateEdit(now.date(), this), "dtpEndDate");
  start_time_ = Named(new QTimeEdit(now.time(), this), "dtpStartTime");
  end_time_ = Named(new QTimeEdit(now.time(), this), "dtpEndTime");
  for (QDateEdit* date : {start_date_, end_date_}) {
    date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    date->setCalendarPopup(true);
  }
  for (QTimeEdit* time : {start_time_, end_time_}) time->setDisplayFormat(QStringLiteral("HH:mm:ss"));
  start_week_ = Named(new QComboBox(this), "cbbStartWeek");
  end_week_ = Named(new QComboBox(this), "cbbEndWeek");
  const char* days[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  for (int d = 0; d < 7; ++d) start_week_->addItem(QString::fromLatin1(days[d]), d);
  auto* action_label = Named(new QLabel(QStringLiteral("Action"), this), "lblAction");
  auto* frequency_label = Named(new QLabel(QStringLiteral("Frequency"), this), "lblFrequency");
  auto* start_label = Named(new QLabel(QStringLiteral("Start"), this), "lblStart");
  auto* end_label = Named(new QLabel(QStringLiteral("End"), this), "lblEnd");

  list_ = Named(new TListViewEx(this), "lvTask");
  list_->setHeaderLabels({QString(), QStringLiteral("Action"), QStringLiteral("Name"), QStringLiteral("Frequency"),
                          QStringLiteral("Time")});
  list_->setColumnWidth(kCheck, 20);
  list_->setColumnWidth(kAction, 45);
  list_->setColumnWidth(kName, 75);
  list_->setColumnWidth(kFrequency, 63);
  list_->header()->setStretchLastSection(true);
  list_->setMinimumSize(560, 180);

  append_ = Button(this, "btnAppend", QStringLiteral("&Append"));
  insert_ = Button(this, "btnInsert", QStringLiteral("&Insert"));
  modify_ = Button(this, "btnModify", QStringLiteral("&Modify"));
  delete_ = Button(this, "btnDelete", QStringLiteral("&Delete"));
  apply_ = Button(this, "btnApply", QStringLiteral("A&pply"));
  auto* cancel = Button(this, "btnCancel", QStringLiteral("&Cancel"));
  auto* ok = Button(this, "btnOk", QStringLiteral("&OK"));
  modify_->setEnabled(false);
  apply_->setEnabled(false);

  auto* editor = new QGridLayout;
  editor->addWidget(action_label, 0, 0);
  editor->addWidget(action_, 0, 1);
  // The two captions share one place; the action shows one of them.
  editor->addWidget(radio_name_, 0, 2);
  editor->addWidget(file_name_, 0, 2);
  auto* name_row = new QHBoxLayout;
  name_row->addWidget(name_, 1);
  name_row->addWidget(select_);
  editor->addLayout(name_row, 0, 3, 1, 3);
  editor->addWidget(frequency_label, 1, 0);
  editor->addWidget(frequency_, 1, 1);
  editor->addWidget(start_label, 1, 2);
  // The weekday lists take the date pickers' places for weekly tasks.
  editor->addWidget(start_date_, 1, 3);
  editor->addWidget(start_week_, 1, 3);
  editor->addWidget(start_time_, 1, 4);
  editor->addWidget(end_label, 2, 2);
  editor->addWidget(end_date_, 2, 3);
  editor->addWidget(end_week_, 2, 3);
  editor->addWidget(end_time_, 2, 4);
  editor->setColumnStretch(3, 1);
  auto* edit_buttons = new QHBoxLayout;
  for (QPushButton* b : {append_, insert_, modify_, delete_}) edit_buttons->addWidget(b);
  edit_buttons->addStretch();
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  for (QPushButton* b : {apply_, cancel, ok}) buttons->addWidget(b);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(editor);
  layout->addLayout(edit_buttons);
  layout->addWidget(list_, 1);
  layout->addLayout(buttons);

  if (language_ != nullptr) TranslateWindow(*this, *language_);
  // The end's weekdays are the start's, in the language just applied.
  for (int d = 0; d < start_week_->count(); ++d) end_week_->addItem(start_week_->itemText(d), d);
  const int today = now.date().dayOfWeek() % 7;  // Qt: 7 is Sunday
  start_week_->setCurrentIndex(today);
  end_week_->setCurrentIndex(today);
  ShowFrequency();
  ShowAction();

  // A language switch renames the items: the rows follow, their values stay.
  for (QComboBox* box : {action_, frequency_, start_week_}) {
    connect(box->model(), &QAbstractItemModel::dataChanged, this, [this, box] {
      if (box == start_week_) {
        for (int d = 0; d < start_week_->count() && d < end_week_->count(); ++d)
          end_week_->setItemText(d, start_week_->itemText(d));
      }
      RefreshTexts();
    });
  }
  connect(action_, &QComboBox::currentIndexChanged, this, [this] {
    ShowAction();
    EditorChanged();
  });
  connect(frequency_, &QComboBox::currentIndexChanged, this, [this] {
    ShowFrequency();
    EditorChanged();
  });
  // Changing a start moves its end along.
  connect(start_date_, &QDateEdit::dateChanged, this, [this](QDate d) {
    end_date_->setDate(d);
    EditorChanged();
  });
  connect(start_time_, &QTimeEdit::timeChanged, this, [this](QTime t) {
    end_time_->setTime(t);
    EditorChanged();
  });
  connect(start_week_, &QComboBox::currentIndexChanged, this, [this](int i) {
    end_week_->setCurrentIndex(i);
    EditorChanged();
  });
  connect(end_date_, &QDateEdit::dateChanged, this, &TfrmTask::EditorChanged);
  connect(end_time_, &QTimeEdit::timeChanged, this, &TfrmTask::EditorChanged);
  connect(end_week_, &QComboBox::currentIndexChanged, this, &TfrmTask::EditorChanged);
  connect(name_, &QLineEdit::textEdited, this, &TfrmTask::EditorChanged);
  connect(list_, &QTreeWidget::itemSelectionChanged, this, &TfrmTask::SelectionChanged);
  connect(list_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem*, int column) {
    if (column == kCheck && !filling_) ListChanged();
  });
  connect(select_, &QPushButton::clicked, this, &TfrmTask::Select);
  connect(append_, &QPushButton::clicked, this, &TfrmTask::AppendTask);
  connect(insert_, &QPushButton::clicked, this, &TfrmTask::InsertTask);
  connect(modify_, &QPushButton::clicked, this, &TfrmTask::ModifyTask);
  connect(delete_, &QPushButton::clicked, this, &TfrmTask::DeleteSelected);
  connect(apply_, &QPushButton::clicked, this, &TfrmTask::Apply);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(ok, &QPushButton::clicked, this, [this] {
    if (Apply()) accept();
  });
}

std::string TfrmTask::Text(const char* key, const char* english) const {
  if (language_ == nullptr) return english;
  return language_->ReadString("frmTask", key, english);
}

void TfrmTask::showEvent(QShowEvent* event) {
  // Unapplied edits are dropped: the list is the file's again.
  LoadList();
  QDialog::showEvent(event);
}

void TfrmTask::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Delete && list_->hasFocus()) {
    DeleteSelected();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TfrmTask::LoadList() {
  filling_ = true;
  list_->clear();
  // An unreadable file shows as empty but is not written over by Apply
  // unless the user applies on purpose.
  file_ = LoadTaskFile(task_file_).value_or(TaskFile{});
  for (const Task& task : file_.Tasks()) ShowItem(*list_->NewItem(), task);
  filling_ = false;
  FitColumns();
  apply_->setEnabled(false);
  modify_->setEnabled(false);
}

void TfrmTask::ShowItem(QTreeWidgetItem& item, const Task& task) {
  const bool was_filling = filling_;
  filling_ = true;
  item.setData(kCheck, kTaskRole, QByteArray::fromStdString(FormatTaskLine(task)));
  item.setCheckState(kCheck, task.enabled ? Qt::Checked : Qt::Unchecked);
  item.setText(kAction, action_->itemText(static_cast<int>(task.action)));
  item.setText(kName, FromGb(task.name));
  item.setText(kFrequency, frequency_->itemText(static_cast<int>(task.frequency)));
  QString time;
  switch (task.frequency) {
    case TaskFrequency::kOnce:
    case TaskFrequency::kDaily:
      time = FromGb(TaskTimeText(task));
      break;
    case TaskFrequency::kWeekly:
      time = start_week_->itemText(task.start.weekday) + u',' + TimeOfDay(task.start.seconds_of_day) +
             QStringLiteral(" ~ ") + start_week_->itemText(task.end.weekday) + u',' +
             TimeOfDay(task.end.seconds_of_day);
      break;
  }
  item.setText(kTime, time);
  filling_ = was_filling;
}

void TfrmTask::RefreshTexts() {
  for (int i = 0; i < list_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = list_->topLevelItem(i);
    ShowItem(*item, ItemTask(*item));
  }
  FitColumns();
}

// The words of each language differ in length: the short columns take
// their texts' width (header included), the name at most a third of the
// list, and Time the rest.
void TfrmTask::FitColumns() {
  for (int column : {kAction, kName, kFrequency}) list_->resizeColumnToContents(column);
  list_->setColumnWidth(kName, std::min(list_->columnWidth(kName), std::max(75, list_->viewport()->width() / 3)));
}

Task TfrmTask::ItemTask(const QTreeWidgetItem& item) const {
  Task task = ParseTaskLine(item.data(kCheck, kTaskRole).toByteArray().toStdString()).value_or(Task{});
  task.enabled = item.checkState(kCheck) == Qt::Checked;
  return task;
}

std::vector<Task> TfrmTask::ListTasks() const {
  std::vector<Task> tasks;
  for (int i = 0; i < list_->topLevelItemCount(); ++i) tasks.push_back(ItemTask(*list_->topLevelItem(i)));
  return tasks;
}

bool TfrmTask::Apply() {
  file_.SetTasks(ListTasks());
  if (!SaveTaskFile(task_file_, file_)) {
    prompts_.ShowInfo(Text("SaveError", "The task list could not be written."));
    return false;
  }
  apply_->setEnabled(false);
  if (hooks_.applied) hooks_.applied();
  return true;
}

Task TfrmTask::EditorTask() const {
  Task task;
  task.enabled = true;
  task.action = static_cast<TaskAction>(action_->currentData().toInt());
  task.name = CleanTaskName(ToGb(name_->text()));
  task.frequency = static_cast<TaskFrequency>(frequency_->currentData().toInt());
  const QDate start_date = start_date_->date(), end_date = end_date_->date();
  task.start = {start_date.year(), start_date.month(), start_date.day(), start_week_->currentData().toInt(),
                SecondsOf(start_time_->time())};
  task.end = {end_date.year(), end_date.month(), end_date.day(), end_week_->currentData().toInt(),
              SecondsOf(end_time_->time())};
  // Only what the frequency uses is kept, so the row equals what the file
  // will read back.
  if (task.frequency != TaskFrequency::kOnce) {
    task.start.year = task.end.year = 2000;
    task.start.month = task.end.month = task.start.day = task.end.day = 1;
  }
  if (task.frequency != TaskFrequency::kWeekly) task.start.weekday = task.end.weekday = 0;
  return task;
}

void TfrmTask::SetEditor(const Task& task) {
  const QSignalBlocker block_action(action_), block_frequency(frequency_), block_sd(start_date_), block_ed(end_date_),
      block_st(start_time_), block_et(end_time_), block_sw(start_week_), block_ew(end_week_);
  action_->setCurrentIndex(static_cast<int>(task.action));
  name_->setText(FromGb(task.name));
  frequency_->setCurrentIndex(static_cast<int>(task.frequency));
  if (task.frequency == TaskFrequency::kOnce) {
    start_date_->setDate(QDate(task.start.year, task.start.month, task.start.day));
    end_date_->setDate(QDate(task.end.year, task.end.month, task.end.day));
  }
  if (task.frequency == TaskFrequency::kWeekly) {
    start_week_->setCurrentIndex(task.start.weekday);
    end_week_->setCurrentIndex(task.end.weekday);
  }
  start_time_->setTime(QTime(0, 0).addSecs(task.start.seconds_of_day));
  end_time_->setTime(QTime(0, 0).addSecs(task.end.seconds_of_day));
  ShowFrequency();
  ShowAction();
}

bool TfrmTask::Refused(const Task& task) {
  switch (CheckTask(task)) {
    case TaskProblem::kNone:
      return false;
    case TaskProblem::kEndNotAfterStart:
      prompts_.ShowInfo(Text("EndNotAfterStart", "The end of the task must come after its start."));
      return true;
    case TaskProblem::kEmptyName:
      prompts_.ShowInfo(Text("EmptyName", "The task needs a station or a record file."));
      return true;
  }
  return true;
}

bool TfrmTask::AppendTask() {
  const Task task = EditorTask();
  if (Refused(task)) return false;
  ShowItem(*list_->NewItem(), task);
  ListChanged();
  return true;
}

// Before the selected row; with none selected, at the top.
bool TfrmTask::InsertTask() {
  const Task task = EditorTask();
  if (Refused(task)) return false;
  const QList<QTreeWidgetItem*> selected = list_->selectedItems();
  ShowItem(*list_->NewItem(selected.isEmpty() ? 0 : list_->indexOfTopLevelItem(selected.front())), task);
  ListChanged();
  return true;
}

// The row keeps its check box.
bool TfrmTask::ModifyTask() {
  const QList<QTreeWidgetItem*> selected = list_->selectedItems();
  if (selected.isEmpty()) return false;
  Task task = EditorTask();
  if (Refused(task)) return false;
  task.enabled = selected.front()->checkState(kCheck) == Qt::Checked;
  ShowItem(*selected.front(), task);
  ListChanged();
  modify_->setEnabled(false);
  return true;
}

void TfrmTask::DeleteSelected() {
  const QList<QTreeWidgetItem*> selected = list_->selectedItems();
  if (selected.isEmpty()) return;
  for (QTreeWidgetItem* item : selected) delete item;
  if (list_->selectedItems().isEmpty() && list_->topLevelItemCount() > 0) {
    list_->topLevelItem(list_->topLevelItemCount() - 1)->setSelected(true);
  }
  ListChanged();
}

void TfrmTask::TakeStation(const std::string& id_dash_name) {
  if (!isVisible()) return;
  name_->setText(FromGb(id_dash_name));
  EditorChanged();
}

void TfrmTask::ListChanged() {
  FitColumns();
  apply_->setEnabled(true);
}

void TfrmTask::EditorChanged() { modify_->setEnabled(!list_->selectedItems().isEmpty()); }

void TfrmTask::SelectionChanged() {
  const QList<QTreeWidgetItem*> selected = list_->selectedItems();
  if (!selected.isEmpty()) SetEditor(ItemTask(*selected.front()));
  modify_->setEnabled(false);
}

void TfrmTask::ShowFrequency() {
  const auto frequency = static_cast<TaskFrequency>(frequency_->currentData().toInt());
  const bool weekly = frequency == TaskFrequency::kWeekly;
  for (QDateEdit* date : {start_date_, end_date_}) {
    date->setEnabled(frequency == TaskFrequency::kOnce);
    date->setVisible(!weekly);
  }
  start_week_->setVisible(weekly);
  end_week_->setVisible(weekly);
}

void TfrmTask::ShowAction() {
  const bool record = action_->currentData().toInt() == static_cast<int>(TaskAction::kRecord);
  radio_name_->setVisible(!record);
  file_name_->setVisible(record);
}

void TfrmTask::Select() {
  if (action_->currentData().toInt() == static_cast<int>(TaskAction::kPlay)) {
    std::optional<std::string> station;
    if (hooks_.choose_station) {
      station = hooks_.choose_station();
    } else if (hooks_.station_items) {
      QMenu menu(this);
      menu.setObjectName(QStringLiteral("pmMenu"));
      std::string chosen;
      auto keep = std::make_shared<const StationItems>(hooks_.station_items());
      FillStations(&menu, *keep, keep, &chosen);
      if (!menu.isEmpty()) menu.exec(QCursor::pos());
      if (!chosen.empty()) station = chosen;
    }
    if (station) name_->setText(FromGb(*station));
  } else {
    std::optional<std::filesystem::path> file;
    if (hooks_.choose_record_file) {
      file = hooks_.choose_record_file();
    } else {
      // Only asks for a name: nothing is created or deleted here.
      const QString chosen =
          QFileDialog::getSaveFileName(this, QString(), name_->text(), QStringLiteral("MP3 (*.mp3);;Wave (*.wav)"),
                                       nullptr, QFileDialog::DontConfirmOverwrite);
      if (!chosen.isEmpty()) file = std::filesystem::path(chosen.toStdString());
    }
    if (file) name_->setText(QString::fromStdString(file->string()));
  }
  EditorChanged();
}

}  // namespace tazmel
