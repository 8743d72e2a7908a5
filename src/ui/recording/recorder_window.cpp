#include "ui/recording/recorder_window.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

namespace tazmel {
namespace {

// Sets a list's items and selection without reporting them as the user's
// choice.
void FillList(QComboBox& list, const QStringList& items, int selected) {
  const QSignalBlocker quiet(list);
  list.clear();
  list.addItems(items);
  list.setCurrentIndex(selected >= 0 && selected < list.count() ? selected : -1);
}

}  // namespace

TfrmRecorder::TfrmRecorder(QWidget* parent) : QWidget(parent, Qt::Window) {
  BuildControls();
  SetActivity(RecorderActivity::kIdle);
}

TfrmRecorder::~TfrmRecorder() = default;

QPushButton* TfrmRecorder::AddButton(const char* name, const QString& text, void (TfrmRecorder::*signal)()) {
  auto* button = new QPushButton(text, this);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  connect(button, &QPushButton::clicked, this, [this, signal] { emit(this->*signal)(); });
  return button;
}

void TfrmRecorder::BuildControls() {
  setObjectName("frmRecorder");
  setWindowTitle(QStringLiteral("Recorder"));

  cbbRecFiles_ = new QComboBox(this);
  cbbRecFiles_->setObjectName("cbbRecFiles");
  cbbRecFiles_->setEditable(true);
  // The list is the save folder's to fill; typed names are not added.
  cbbRecFiles_->setInsertPolicy(QComboBox::NoInsert);
  cbbRecFiles_->setCompleter(nullptr);
  cbbRecFiles_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  cbbRecFiles_->setMinimumContentsLength(36);
  pbTransform_ = new QProgressBar(this);
  pbTransform_->setObjectName("pbTransform");
  pbTransform_->setRange(0, 100);
  pbTransform_->setValue(0);

  QPushButton* start = AddButton("btnStart", QStringLiteral("&Start"), &TfrmRecorder::startClicked);
  QPushButton* stop = AddButton("btnStop", QStringLiteral("S&top"), &TfrmRecorder::stopClicked);
  QPushButton* play = AddButton("btnPlay", QStringLiteral("&Play"), &TfrmRecorder::playClicked);
  QPushButton* new_file = AddButton("btnNew", QStringLiteral("&New.."), &TfrmRecorder::newClicked);
  QPushButton* save_as = AddButton("btnSaveAs", QStringLiteral("Save &As..."), &TfrmRecorder::saveAsClicked);
  QPushButton* clear = AddButton("btnClear", QStringLiteral("&Clear"), &TfrmRecorder::clearClicked);
  QPushButton* cancel = AddButton("btnCancel", QStringLiteral("&Cancel"), &TfrmRecorder::cancelClicked);
  QPushButton* set_path = AddButton("btnSetPath", QStringLiteral("..."), &TfrmRecorder::setPathClicked);
  QPushButton* defaults = AddButton("btnDefault", QStringLiteral("&Default"), &TfrmRecorder::defaultClicked);
  QPushButton* report = AddButton("btnReport", QStringLiteral("&Report"), &TfrmRecorder::reportClicked);
  start->setDefault(true);

  lblTempPath_ = new QLabel(QStringLiteral("Temporary record files location:"), this);
  lblTempPath_->setObjectName("lblTempPath");
  edtPath_ = new QLineEdit(this);
  edtPath_->setObjectName("edtPath");
  lblTempPath_->setBuddy(edtPath_);
  connect(edtPath_, &QLineEdit::editingFinished, this, &TfrmRecorder::savePathEdited);

  rgFormat_ = new QGroupBox(QStringLiteral("File Format"), this);
  rgFormat_->setObjectName("rgFormat");
  rgFormat_->setProperty("radioGroup", true);
  format_ = new QButtonGroup(rgFormat_);
  auto* format_layout = new QHBoxLayout(rgFormat_);
  int id = 0;
  for (const QString& item : {QStringLiteral("Wave"), QStringLiteral("MP3")}) {
    auto* radio = new QRadioButton(item, rgFormat_);
    format_->addButton(radio, id++);
    format_layout->addWidget(radio);
  }
  format_layout->addStretch();
  connect(format_, &QButtonGroup::idClicked, this, &TfrmRecorder::formatChosen);

  auto* attributes_label = new QLabel(QStringLiteral("Attributes:"), this);
  attributes_label->setObjectName("lblAttributes");
  cbbAttributes_ = new QComboBox(this);
  cbbAttributes_->setObjectName("cbbAttributes");
  attributes_label->setBuddy(cbbAttributes_);
  connect(cbbAttributes_, &QComboBox::activated, this, &TfrmRecorder::attributesChosen);

  cbbDevice_ = new QComboBox(this);
  cbbDevice_->setObjectName("cbbDevice");
  cbbDestination_ = new QComboBox(this);
  cbbDestination_->setObjectName("cbbDestination");
  cbbConnection_ = new QComboBox(this);
  cbbConnection_->setObjectName("cbbConnection");
  for (QComboBox* list : {cbbDevice_, cbbDestination_, cbbConnection_}) {
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(24);
  }
  connect(cbbDevice_, &QComboBox::activated, this, &TfrmRecorder::deviceChosen);
  connect(cbbDestination_, &QComboBox::activated, this, &TfrmRecorder::destinationChosen);
  connect(cbbConnection_, &QComboBox::activated, this, &TfrmRecorder::connectionChosen);
  trckbrVolume_ = new QSlider(Qt::Vertical, this);
  trckbrVolume_->setObjectName("trckbrVolume");
  // Top is loudest: the volume is the maximum less the position.
  trckbrVolume_->setRange(0, 65535);
  trckbrVolume_->setInvertedAppearance(true);
  trckbrVolume_->setTickPosition(QSlider::TicksRight);
  trckbrVolume_->setTickInterval(6553);
  trckbrVolume_->setPageStep(6553);
  trckbrVolume_->setValue(80);
  connect(trckbrVolume_, &QSlider::valueChanged, this, &TfrmRecorder::volumeMoved);

  auto* source_title = new QLabel(QStringLiteral("Records from:"), this);
  source_title->setObjectName("lblRecordSource");
  lblSource_ = new QLabel(this);
  lblSource_->setObjectName("lblSource");
  lblSource_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* states = new QFrame(this);
  states->setObjectName("pnlStates");
  states->setFrameShape(QFrame::StyledPanel);
  auto* rec_time = new QLabel(QStringLiteral("Used Time:"), states);
  rec_time->setObjectName("lblRecTime");
  lblTimeCounter_ = new QLabel(QStringLiteral("00:00:00"), states);
  lblTimeCounter_->setObjectName("lblTimeCounter");
  auto* used_space = new QLabel(QStringLiteral("Used Space:"), states);
  used_space->setObjectName("lblUsedSpace");
  lblSizeCounter_ = new QLabel(QStringLiteral("0.00 MB"), states);
  lblSizeCounter_->setObjectName("lblSizeCounter");
  auto* states_layout = new QHBoxLayout(states);
  states_layout->addWidget(rec_time);
  states_layout->addWidget(lblTimeCounter_);
  states_layout->addSpacing(16);
  states_layout->addWidget(used_space);
  states_layout->addWidget(lblSizeCounter_);
  states_layout->addStretch();

  // The record file and its conversion share one row: the progress bar
  // and Cancel take the places of the list and Save As.
  auto* file_row = new QGridLayout;
  file_row->addWidget(cbbRecFiles_, 0, 0);
  file_row->addWidget(pbTransform_, 0, 0);
  file_row->addWidget(save_as, 0, 1);
  file_row->addWidget(cancel, 0, 1);
  file_row->setColumnStretch(0, 1);

  auto* buttons = new QHBoxLayout;
  for (QPushButton* button : {start, stop, play, new_file, clear}) buttons->addWidget(button);
  buttons->addStretch();

  auto* path_row = new QHBoxLayout;
  path_row->addWidget(edtPath_, 1);
  path_row->addWidget(set_path);
  set_path->setMaximumWidth(set_path->fontMetrics().horizontalAdvance(QStringLiteral("....")) * 3);

  auto* format_row = new QHBoxLayout;
  format_row->addWidget(rgFormat_);
  auto* attributes_column = new QVBoxLayout;
  attributes_column->addWidget(attributes_label);
  attributes_column->addWidget(cbbAttributes_);
  format_row->addLayout(attributes_column, 1);

  auto* mixer = new QGridLayout;
  mixer->addWidget(cbbDevice_, 0, 0, 1, 2);
  mixer->addWidget(cbbDestination_, 1, 0, 1, 2);
  mixer->addWidget(cbbConnection_, 2, 0, 1, 2);
  mixer->addWidget(source_title, 3, 0);
  mixer->addWidget(lblSource_, 3, 1);
  mixer->addWidget(trckbrVolume_, 0, 2, 5, 1);
  auto* mixer_buttons = new QHBoxLayout;
  mixer_buttons->addWidget(defaults);
  mixer_buttons->addWidget(report);
  mixer_buttons->addStretch();
  mixer->addLayout(mixer_buttons, 4, 0, 1, 2);
  mixer->setColumnStretch(1, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(file_row);
  layout->addLayout(buttons);
  layout->addWidget(lblTempPath_);
  layout->addLayout(path_row);
  layout->addLayout(format_row);
  layout->addLayout(mixer);
  layout->addWidget(states);
}

QPushButton& TfrmRecorder::Button(const char* name) const {
  return *findChild<QPushButton*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
}

void TfrmRecorder::SetAttributeItems(const QStringList& items) {
  const int selected = cbbAttributes_->currentIndex();
  FillList(*cbbAttributes_, items, selected);
}

void TfrmRecorder::SetAttributes(int index) {
  const QSignalBlocker quiet(cbbAttributes_);
  cbbAttributes_->setCurrentIndex(index);
}

int TfrmRecorder::Attributes() const { return cbbAttributes_->currentIndex(); }

void TfrmRecorder::SetFormat(int format) {
  if (QAbstractButton* button = format_->button(format)) button->setChecked(true);
}

int TfrmRecorder::Format() const { return format_->checkedId(); }

void TfrmRecorder::SetSavePath(const QString& path) { edtPath_->setText(path); }
QString TfrmRecorder::SavePath() const { return edtPath_->text(); }

void TfrmRecorder::SetRecordFiles(const QStringList& files, const QString& text) {
  FillList(*cbbRecFiles_, files, -1);
  SetRecordFileText(text);
}

void TfrmRecorder::SetRecordFileText(const QString& text) {
  const QSignalBlocker quiet(cbbRecFiles_);
  const int listed = cbbRecFiles_->findText(text);
  if (listed >= 0) cbbRecFiles_->setCurrentIndex(listed);
  cbbRecFiles_->setEditText(text);
}

QString TfrmRecorder::RecordFileText() const { return cbbRecFiles_->currentText(); }

void TfrmRecorder::ShowMixer(const RecorderMixerView& view) {
  FillList(*cbbDevice_, view.devices, view.device);
  FillList(*cbbDestination_, view.destinations, view.destination);
  FillList(*cbbConnection_, view.connections, view.connection);
  const QSignalBlocker quiet(trckbrVolume_);
  trckbrVolume_->setEnabled(view.slider_enabled && activity_ != RecorderActivity::kConverting);
  trckbrVolume_->setValue(view.slider_position);
}

void TfrmRecorder::SetSourceText(const QString& text) { lblSource_->setText(text); }

void TfrmRecorder::SetCounters(const QString& elapsed, const QString& size) {
  lblTimeCounter_->setText(elapsed);
  lblSizeCounter_->setText(size);
}

void TfrmRecorder::SetActivity(RecorderActivity activity) {
  activity_ = activity;
  const bool idle = activity == RecorderActivity::kIdle;
  const bool recording = activity == RecorderActivity::kRecording;
  const bool converting = activity == RecorderActivity::kConverting;
  // What a recording or a conversion would be disturbed by.
  for (QWidget* control :
       std::initializer_list<QWidget*>{&Button("btnStart"), edtPath_, &Button("btnNew"), &Button("btnSaveAs"),
                                       cbbRecFiles_, &Button("btnSetPath"), cbbAttributes_, rgFormat_}) {
    control->setEnabled(idle);
  }
  for (QWidget* control :
       std::initializer_list<QWidget*>{&Button("btnDefault"), cbbDevice_, cbbDestination_, cbbConnection_}) {
    control->setEnabled(!recording);
  }
  Button("btnStop").setEnabled(recording);
  // Deleting recordings under a running recording or conversion is refused.
  Button("btnClear").setEnabled(idle);
  Button("btnPlay").setEnabled(!converting);
  pbTransform_->setVisible(converting);
  cbbRecFiles_->setVisible(!converting);
  Button("btnCancel").setVisible(converting);
  Button("btnSaveAs").setVisible(!converting);
  if (!converting) pbTransform_->setValue(0);
}

void TfrmRecorder::SetProgress(int percent) { pbTransform_->setValue(percent); }

void TfrmRecorder::SetTempPathCaption(const QString& text) { lblTempPath_->setText(text); }

void TfrmRecorder::closeEvent(QCloseEvent* event) {
  // The window lives as long as the program; a recording goes on.
  event->ignore();
  hide();
}

}  // namespace tazmel
