#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>

class QMenu;
class QToolButton;

namespace tazmel {

class TDropURLFilesTarget;
class TScrollLabel;

// Which sizing grip a point of the window is on, in window coordinates
// against its size: the corners take 12 pixels, the edges 8; no edges for
// the inside.
Qt::Edges VideoGripAt(QPoint point, QSize size);

// The player host: a small frameless, topmost tool window. Its panel is the
// native window the components render video into; it stays hidden until a
// clip with a picture plays. Full screen is the window's own: the media
// library cannot take an embedded window full screen. Links and files
// dropped on it go where the main window's drops go.
class TfrmVideo : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kTitleHeight = 23;
  static constexpr int kBorderWidth = 1;

  explicit TfrmVideo(QWidget* parent = nullptr);
  ~TfrmVideo() override;

  // The native window id of the video panel; creating it does not show the
  // window.
  std::int64_t VideoWindowId();
  // Title label and caption follow the station; without a title the
  // window's own (translated) caption returns.
  void SetTitle(const QString& title);

  TDropURLFilesTarget& DropTarget() { return *dropURLFiles_; }

  // The current clip's picture in pixels (0 × 0 without one).
  std::function<QSize()> picture_size;
  // The skin's MoveResizeStyle: the title bar hands moves to the window
  // manager.
  std::function<bool()> move_by_system;

  // A clip with a picture plays: the first one sizes the window to the
  // picture, a wanted full screen comes back, and the window shows.
  void ShowPicture();
  // No picture any more: out of full screen (still wanted) and hidden.
  void ClosePicture();

  bool IsFullScreen() const { return full_screen_; }
  bool FullScreenWanted() const { return full_screen_wanted_; }
  void FullScreen();
  void ExitFullScreen();
  // Original Size (1) and Double Size (2): the picture at that factor under
  // the title bar.
  void SizeToPicture(int factor);
  // The area inside the border: title bar and picture.
  QSize ClientSize() const { return contentsRect().size(); }

  QMenu& Menu() const { return *pmMenu_; }
  // Opens the context menu at a screen point, offering Full Screen or Exit
  // Full Screen as fits.
  void PopupMenu(QPoint global);
  void PrepareMenu();

 signals:
  void linksDropped();
  void playPauseRequested();
  void stopRequested();

 protected:
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SetHooked(bool hooked);
  void LeaveFullScreen();
  void SetClientSize(QSize client);
  bool Grip(QEvent* event);
  bool TitleMouse(QEvent* event);
  bool Hook(QWidget* widget, QEvent* event);

  QWidget* pnlTitle_;
  TScrollLabel* slblTitle_;
  QWidget* pnlBtns_;
  QToolButton* btnMax_;
  QToolButton* btnClose_;
  QWidget* pnlStretch_;
  QWidget* pnlVideo_;
  QMenu* pmMenu_;
  TDropURLFilesTarget* dropURLFiles_;
  // The caption the language gave, shown while no title is.
  QString caption_;
  bool showing_title_ = false;

  bool hooked_ = false;
  bool sized_ = false;
  bool full_screen_ = false;
  bool full_screen_wanted_ = false;
  QRect normal_geometry_;

  // A move by the title bar or a resize by a grip the window does itself
  // (the window manager offers neither, or there is none).
  bool dragging_ = false;
  bool resizing_ = false;
  Qt::Edges resize_edges_;
  QPoint press_global_;
  QRect press_geometry_;
};

}  // namespace tazmel
