#pragma once

#include <QWidget>
#include <cstdint>

class QLabel;

namespace tazmel {

// The player host: its panel is the native window the components render
// video into. It stays hidden until a clip with a picture plays.
class TfrmVideo : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmVideo(QWidget* parent = nullptr);

  // The native window id of the video panel; creating it does not show the
  // window.
  std::int64_t VideoWindowId();
  // Title label and caption follow the station.
  void SetTitle(const QString& title);

 private:
  QLabel* lblTitle_;
  QWidget* pnlVideo_;
};

}  // namespace tazmel
