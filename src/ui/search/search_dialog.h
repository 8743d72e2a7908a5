#pragma once

#include <QDialog>
#include <QString>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include "stations/station_search.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace tazmel {

class IniFile;
class SearchResultModel;

// The directory search: a field that lists matching stations of both
// tables as the user types, and plays the chosen one through
// `stationChosen`. Made once by its owner and kept, shown without blocking.
// The index is read afresh on a worker each time the dialog is shown, as
// updates and edits change the tables; until it arrives the last one is
// searched.
class TfrmSearch : public QDialog {
  Q_OBJECT

 public:
  // Rows listed at most; the count shows every match.
  static constexpr std::size_t kShownRows = 500;

  explicit TfrmSearch(QWidget* owner);
  ~TfrmSearch() override;

  // Shows the dialog (or raises it), focuses the field with its text
  // selected and starts reading the stations of `data_folder`.
  void ShowFor(const std::filesystem::path& data_folder);
  // Texts the window translator does not reach: the list's column captions
  // and the found-count pattern ("%d" takes the number).
  void Retranslate(const IniFile& language);

  bool Loading() const { return loading_; }
  // The station IDs listed, in order.
  std::vector<int> ListedIds() const;

 signals:
  void stationChosen(int id);
  // A fresh index was taken and the list redone from it.
  void indexLoaded();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void TakeIndex(std::shared_ptr<const StationSearchIndex> index);
  void Refresh();
  void PlayCurrent();

  QLineEdit* edtSearch_ = nullptr;
  QTreeView* lvResults_ = nullptr;
  QLabel* lblFound_ = nullptr;
  QPushButton* btnPlay_ = nullptr;
  SearchResultModel* model_ = nullptr;
  QString found_pattern_ = QStringLiteral("%d stations found");
  std::shared_ptr<const StationSearchIndex> index_;
  bool loading_ = false;
  // Last: joined first when the dialog goes, so no reply lands afterwards.
  std::jthread worker_;
};

}  // namespace tazmel
