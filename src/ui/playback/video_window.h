#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>

class QLabel;

namespace tazmel {

class TDropURLFilesTarget;

// The player host: its panel is the native window the components render
// video into. It stays hidden until a clip with a picture plays. Links and
// files dropped on it go where the main window's drops go.
class TfrmVideo : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmVideo(QWidget* parent = nullptr);

  // The native window id of the video panel; creating it does not show the
  // window.
  std::int64_t VideoWindowId();
  // Title label and caption follow the station; without a title the
  // window's own (translated) caption returns.
  void SetTitle(const QString& title);

  TDropURLFilesTarget& DropTarget() { return *dropURLFiles_; }

 signals:
  void linksDropped();

 protected:
  void changeEvent(QEvent* event) override;

 private:
  QLabel* lblTitle_;
  QWidget* pnlVideo_;
  TDropURLFilesTarget* dropURLFiles_;
  // The caption the language gave, shown while no title is.
  QString caption_;
  bool showing_title_ = false;
};

}  // namespace tazmel
