#pragma once

#include <QStringList>
#include <QWidget>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSlider;

namespace tazmel {

// What the recorder window shows of the mixer: the three lists with their
// selections (-1: none) and the volume slider.
struct RecorderMixerView {
  QStringList devices, destinations, connections;
  int device = -1, destination = -1, connection = -1;
  bool slider_enabled = false;
  int slider_position = 80;
};

// Which of the window's controls may be used: idle, recording or
// converting a file.
enum class RecorderActivity { kIdle, kRecording, kConverting };

// The recorder window: the record file, the save folder, the file format
// and capture format, the mixer's device, destination and source with the
// source's volume, the counters of the running recording and the
// conversion's progress. It shows what its controller hands it and sends
// every user action up as a signal; it decides nothing. Closing only hides
// it.
class TfrmRecorder : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmRecorder(QWidget* parent = nullptr);
  ~TfrmRecorder() override;

  void SetAttributeItems(const QStringList& items);
  void SetAttributes(int index);
  int Attributes() const;
  // 0 Wave, 1 MP3.
  void SetFormat(int format);
  int Format() const;
  void SetSavePath(const QString& path);
  QString SavePath() const;
  // The recordings listed (kept sorted) and the record file's text.
  void SetRecordFiles(const QStringList& files, const QString& text);
  void SetRecordFileText(const QString& text);
  QString RecordFileText() const;
  void ShowMixer(const RecorderMixerView& view);
  // The source the capture records from, as people know it.
  void SetSourceText(const QString& text);
  void SetCounters(const QString& elapsed, const QString& size);
  // The conversion's progress bar and Cancel stand in the places of the
  // record file and Save As while converting.
  void SetActivity(RecorderActivity activity);
  RecorderActivity Activity() const { return activity_; }
  void SetProgress(int percent);
  void SetTempPathCaption(const QString& text);

  // For the controller and tests: the controls by their names.
  QPushButton& Button(const char* name) const;
  QComboBox& RecFiles() const { return *cbbRecFiles_; }
  QComboBox& DeviceList() const { return *cbbDevice_; }
  QComboBox& DestinationList() const { return *cbbDestination_; }
  QComboBox& ConnectionList() const { return *cbbConnection_; }
  QSlider& Volume() const { return *trckbrVolume_; }
  QProgressBar& Progress() const { return *pbTransform_; }
  QLabel& TimeCounter() const { return *lblTimeCounter_; }
  QLabel& SizeCounter() const { return *lblSizeCounter_; }
  QLabel& SourceLabel() const { return *lblSource_; }
  QLineEdit& PathEdit() const { return *edtPath_; }

 signals:
  void startClicked();
  void stopClicked();
  void playClicked();
  void newClicked();
  void saveAsClicked();
  void clearClicked();
  void setPathClicked();
  void cancelClicked();
  void defaultClicked();
  void reportClicked();
  void formatChosen(int format);
  void attributesChosen(int index);
  void deviceChosen(int index);
  void destinationChosen(int index);
  void connectionChosen(int index);
  void volumeMoved(int position);
  // The save folder was typed.
  void savePathEdited();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  QPushButton* AddButton(const char* name, const QString& text, void (TfrmRecorder::*signal)());

  RecorderActivity activity_ = RecorderActivity::kIdle;
  QComboBox* cbbRecFiles_ = nullptr;
  QProgressBar* pbTransform_ = nullptr;
  QLabel* lblTempPath_ = nullptr;
  QLineEdit* edtPath_ = nullptr;
  QGroupBox* rgFormat_ = nullptr;
  QButtonGroup* format_ = nullptr;
  QComboBox* cbbAttributes_ = nullptr;
  QComboBox* cbbDevice_ = nullptr;
  QComboBox* cbbDestination_ = nullptr;
  QComboBox* cbbConnection_ = nullptr;
  QSlider* trckbrVolume_ = nullptr;
  QLabel* lblSource_ = nullptr;
  QLabel* lblTimeCounter_ = nullptr;
  QLabel* lblSizeCounter_ = nullptr;
};

}  // namespace tazmel
