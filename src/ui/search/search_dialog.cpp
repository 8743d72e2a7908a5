#include "ui/search/search_dialog.h"

#include <QAbstractTableModel>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <utility>

#include "core/ini_file.h"
#include "core/text_utils.h"
#include "ui/playlist/find_dialog.h"
#include "ui/text_edge.h"

namespace tazmel {

// The matches of the current query over a shared index; the view asks only
// for the rows it shows, so a keystroke costs the search and little more.
class SearchResultModel : public QAbstractTableModel {
 public:
  using QAbstractTableModel::QAbstractTableModel;

  void Show(std::shared_ptr<const StationSearchIndex> index, std::vector<std::size_t> rows) {
    beginResetModel();
    index_ = std::move(index);
    rows_ = std::move(rows);
    endResetModel();
  }
  const SearchStation* At(int row) const {
    return index_ && row >= 0 && row < rowCount() ? &index_->at(rows_[static_cast<std::size_t>(row)]) : nullptr;
  }
  void SetCaptions(QStringList captions) {
    captions_ = std::move(captions);
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
  }

  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
  }
  int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 4; }
  QVariant data(const QModelIndex& index, int role) const override {
    const SearchStation* station = At(index.row());
    if (station == nullptr || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) return {};
    const std::string* texts[] = {&station->name, &station->genre, &station->place, &station->language};
    return QString::fromStdString(*texts[index.column()]);
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= captions_.size()) {
      return {};
    }
    return captions_[section];
  }

 private:
  std::shared_ptr<const StationSearchIndex> index_;
  std::vector<std::size_t> rows_;
  QStringList captions_{QStringLiteral("Name"), QStringLiteral("Genre"), QStringLiteral("Country/Region"),
                        QStringLiteral("Language")};
};

TfrmSearch::TfrmSearch(QWidget* owner) : QDialog(owner) { BuildControls(); }

TfrmSearch::~TfrmSearch() {
  if (worker_.joinable()) worker_.join();
}

void TfrmSearch::BuildControls() {
  setObjectName("frmSearch");
  setWindowTitle(QStringLiteral("Search Stations"));
  setModal(false);

  auto* label = new QLabel(QStringLiteral("&Search for:"), this);
  label->setObjectName("lblSearch");
  edtSearch_ = new QLineEdit(this);
  edtSearch_->setObjectName("edtSearch");
  edtSearch_->setClearButtonEnabled(true);
  edtSearch_->installEventFilter(this);
  label->setBuddy(edtSearch_);

  model_ = new SearchResultModel(this);
  lvResults_ = new QTreeView(this);
  lvResults_->setObjectName("lvResults");
  lvResults_->setModel(model_);
  lvResults_->setRootIsDecorated(false);
  lvResults_->setUniformRowHeights(true);
  lvResults_->setAllColumnsShowFocus(true);
  lvResults_->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvResults_->setSelectionMode(QAbstractItemView::SingleSelection);
  lvResults_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvResults_->header()->setStretchLastSection(true);
  lvResults_->header()->setSectionsMovable(false);
  // Wide enough for the four columns side by side: no sideways scrolling.
  lvResults_->setMinimumSize(660, 280);
  lvResults_->setColumnWidth(0, 230);
  lvResults_->setColumnWidth(1, 90);
  lvResults_->setColumnWidth(2, 190);

  lblFound_ = new QLabel(this);
  lblFound_->setObjectName("lblFound");
  btnPlay_ = new QPushButton(QStringLiteral("&Play"), this);
  btnPlay_->setObjectName("btnPlay");
  btnPlay_->setDefault(true);
  btnPlay_->setEnabled(false);
  auto* close = new QPushButton(QStringLiteral("&Close"), this);
  close->setObjectName("btnClose");
  close->setAutoDefault(false);

  auto* top = new QHBoxLayout;
  top->addWidget(label);
  top->addWidget(edtSearch_, 1);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(lblFound_, 1);
  bottom->addWidget(btnPlay_);
  bottom->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(lvResults_, 1);
  layout->addLayout(bottom);

  connect(edtSearch_, &QLineEdit::textChanged, this, &TfrmSearch::Refresh);
  connect(btnPlay_, &QPushButton::clicked, this, &TfrmSearch::PlayCurrent);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  // Enter in the list reaches the default button; "activated" would play
  // a second time.
  connect(lvResults_, &QTreeView::doubleClicked, this, &TfrmSearch::PlayCurrent);
  connect(lvResults_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this] { btnPlay_->setEnabled(lvResults_->currentIndex().isValid()); });
}

void TfrmSearch::Retranslate(const IniFile& language) {
  QStringList captions;
  const char* defaults[] = {"Name", "Genre", "Country/Region", "Language"};
  for (int i = 0; i < 4; ++i) {
    const std::string text = language.ReadString("frmSearch", "lvResults.Col" + std::to_string(i));
    captions << (text.empty() ? QString::fromLatin1(defaults[i]) : FromGb(text));
  }
  model_->SetCaptions(captions);
  const std::string found = language.ReadString("frmSearch", "Found");
  found_pattern_ = found.empty() ? QStringLiteral("%d stations found") : FromGb(found);
  Refresh();
}

void TfrmSearch::ShowFor(const std::filesystem::path& data_folder) {
  if (!isVisible()) {
    CentreOnOwner(*this);
    show();
  }
  raise();
  activateWindow();
  edtSearch_->setFocus();
  edtSearch_->selectAll();
  if (loading_) return;
  loading_ = true;
  if (worker_.joinable()) worker_.join();
  // Reading 50 000 records takes a good part of a second: off this thread.
  worker_ = std::jthread([this, data_folder] {
    auto index = std::make_shared<const StationSearchIndex>(StationSearchIndex::Load(data_folder));
    QMetaObject::invokeMethod(
        this, [this, index] { TakeIndex(index); }, Qt::QueuedConnection);
  });
}

void TfrmSearch::TakeIndex(std::shared_ptr<const StationSearchIndex> index) {
  loading_ = false;
  index_ = std::move(index);
  Refresh();
  emit indexLoaded();
}

void TfrmSearch::Refresh() {
  std::size_t total = 0;
  std::vector<std::size_t> rows;
  if (index_) rows = index_->Find(edtSearch_->text().toStdString(), kShownRows, &total);
  model_->Show(index_, std::move(rows));
  if (model_->rowCount() > 0) lvResults_->setCurrentIndex(model_->index(0, 0));
  btnPlay_->setEnabled(lvResults_->currentIndex().isValid());
  // No count before the first index arrives: "0 found" would be wrong.
  lblFound_->setText(!index_ || edtSearch_->text().trimmed().isEmpty()
                         ? QString()
                         : FromGb(FormatSlot(ToGb(found_pattern_), std::to_string(total))));
}

void TfrmSearch::PlayCurrent() {
  if (const SearchStation* station = model_->At(lvResults_->currentIndex().row())) emit stationChosen(station->id);
}

std::vector<int> TfrmSearch::ListedIds() const {
  std::vector<int> ids;
  for (int row = 0; row < model_->rowCount(); ++row) ids.push_back(model_->At(row)->id);
  return ids;
}

// Up, Down and the page keys in the field move through the list, so the
// hands stay on the keyboard.
bool TfrmSearch::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edtSearch_ && event->type() == QEvent::KeyPress) {
    switch (static_cast<QKeyEvent*>(event)->key()) {
      case Qt::Key_Up:
      case Qt::Key_Down:
      case Qt::Key_PageUp:
      case Qt::Key_PageDown:
        QCoreApplication::sendEvent(lvResults_, event);
        return true;
      default:
        break;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace tazmel
