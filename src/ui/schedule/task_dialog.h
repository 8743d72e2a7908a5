#pragma once

#include <QDialog>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "schedule/task_list.h"
#include "stations/tree_editor.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimeEdit;
class QTreeWidgetItem;

namespace tazmel {

class IniFile;
class TListViewEx;
class UserPrompts;

struct TaskDialogHooks {
  // After Apply wrote the file: the run-time lists are loaded again.
  std::function<void()> applied;
  // The station tree as a menu, for btnSelect on a play task.
  std::function<std::vector<StationMenuItem>()> station_items;
  // Stands in for that menu (tests): the chosen station as "<id>-<name>"
  // (data code page), nothing when none.
  std::function<std::optional<std::string>()> choose_station;
  // btnSelect for a record task: a plain save dialog; it never deletes or
  // creates anything. Nothing when cancelled.
  std::function<std::optional<std::filesystem::path>()> choose_record_file;
};

// The play and record task list. Each row keeps its task's values (action,
// frequency, weekdays) as item data and shows them in the current
// language's words, so a language switch or a sort never changes what Apply
// writes. Lines of Tasklist.dat that cannot be read are kept and written
// back where they stood.
class TfrmTask : public QDialog {
  Q_OBJECT

 public:
  TfrmTask(std::filesystem::path task_file, UserPrompts& prompts, const IniFile* language, TaskDialogHooks hooks,
           QWidget* parent = nullptr);

  // Reads the file into the list (done on every show).
  void LoadList();
  // Writes the list; false when the file could not be written.
  bool Apply();

  // The editor as a task, and back.
  Task EditorTask() const;
  void SetEditor(const Task& task);
  // The row's task (its check box gives `enabled`).
  Task ItemTask(const QTreeWidgetItem& item) const;
  std::vector<Task> ListTasks() const;

  // Append, Insert, Modify: false (and the user told why) when the
  // editor's task cannot be scheduled.
  bool AppendTask();
  bool InsertTask();
  bool ModifyTask();
  void DeleteSelected();
  // While the window shows, a station chosen in the tree fills the name.
  void TakeStation(const std::string& id_dash_name);

  TListViewEx* List() const { return list_; }
  QComboBox* ActionBox() const { return action_; }
  QComboBox* FrequencyBox() const { return frequency_; }
  QComboBox* StartWeekBox() const { return start_week_; }
  QComboBox* EndWeekBox() const { return end_week_; }
  QLineEdit* NameEdit() const { return name_; }
  QDateEdit* StartDate() const { return start_date_; }
  QDateEdit* EndDate() const { return end_date_; }
  QTimeEdit* StartTime() const { return start_time_; }
  QTimeEdit* EndTime() const { return end_time_; }
  QPushButton* ApplyButton() const { return apply_; }
  QPushButton* ModifyButton() const { return modify_; }
  QLabel* RadioNameLabel() const { return radio_name_; }
  QLabel* FileNameLabel() const { return file_name_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Tells the user why a task cannot be scheduled.
  bool Refused(const Task& task);
  void ShowItem(QTreeWidgetItem& item, const Task& task);
  void RefreshTexts();
  void FitColumns();
  void ShowFrequency();
  void ShowAction();
  void EditorChanged();
  void ListChanged();
  void SelectionChanged();
  void Select();
  std::string Text(const char* key, const char* english) const;

  std::filesystem::path task_file_;
  UserPrompts& prompts_;
  const IniFile* language_;
  TaskDialogHooks hooks_;
  TaskFile file_;
  bool filling_ = false;

  QComboBox* action_ = nullptr;
  QLineEdit* name_ = nullptr;
  QPushButton* select_ = nullptr;
  QLabel* radio_name_ = nullptr;
  QLabel* file_name_ = nullptr;
  QComboBox* frequency_ = nullptr;
  QDateEdit* start_date_ = nullptr;
  QDateEdit* end_date_ = nullptr;
  QTimeEdit* start_time_ = nullptr;
  QTimeEdit* end_time_ = nullptr;
  QComboBox* start_week_ = nullptr;
  QComboBox* end_week_ = nullptr;
  TListViewEx* list_ = nullptr;
  QPushButton* append_ = nullptr;
  QPushButton* insert_ = nullptr;
  QPushButton* modify_ = nullptr;
  QPushButton* delete_ = nullptr;
  QPushButton* apply_ = nullptr;
};

}  // namespace tazmel
