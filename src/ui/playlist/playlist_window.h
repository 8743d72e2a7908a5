#pragma once

#include <QAbstractItemView>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <array>
#include <memory>

#include "skin/playlist_geometry.h"

class QLabel;
class QScrollBar;

namespace tazmel {

class Dispatcher;
class SkinState;
class Timer;

// The skinned playlist window: a frameless window that draws its frame from
// the skin's playlist face, holds the station tree and the music list in
// `pnlStretch` (one shown at a time), follows the shown pane with its own
// scroll-bar thumb `pbSlide`, resizes by the grip `lblResize` or its edges,
// moves by hand or through the window manager, snaps to the main window and
// moves along with it when the skin locks the two together.
//
// Commands leave as signals: the skin buttons 0..6 as buttonCommand (the
// owner's controller runs them); buttons 7 and 8 scroll the shown pane here.
class TfrmPlayList : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmPlayList(QWidget* parent = nullptr);
  ~TfrmPlayList() override;

  // The skin to draw from (the main window owns it) and the window this one
  // snaps to and moves with. Both outlive this window or are reset to null.
  void SetSkin(const SkinState* skin) { skin_ = skin; }
  void SetMainWindow(QWidget* main_window) { main_window_ = main_window; }
  // The scroll buttons repeat on this dispatcher's timers; without one a
  // press scrolls once.
  void SetDispatcher(Dispatcher& dispatcher) { dispatcher_ = &dispatcher; }

  // Lays the window out from the skin after every load: size, panel,
  // painter, button rectangles, grip, thumb and shape.
  void ApplySkin();

  // The two panes, taken into pnlStretch; either may be null. The shown one
  // follows TreeVisible.
  void SetPanes(QAbstractItemView* tree, QAbstractItemView* music);
  QWidget* Stretch() const { return pnlStretch_; }
  QAbstractItemView* TreePane() const { return tree_; }
  QAbstractItemView* MusicPane() const { return music_; }
  void SetTreeVisible(bool visible);
  bool IsTreeVisible() const { return tree_visible_; }
  // Click Mode: hot tracking and automatic expanding of the tree.
  void SetClickMode(bool on);
  bool GetClickMode() const { return click_mode_; }

  // Puts the window where the skin's PlayListFormAlign says, beside the
  // main window; other values leave it.
  void PlaceBesideMainWindow();
  // A saved place and size; the size is never below the skin's minimum
  // (and is the face's for a skin that does not zoom).
  void RestoreGeometry(const QRect& saved);

  // For the owner and tests.
  int PressedButton() const { return pressed_button_; }
  bool PressedLookShown() const { return pressed_drawn_; }
  // Button i's rectangle in the window as the last resize left it.
  SkinRect ButtonRect(int index) const { return buttons_[static_cast<std::size_t>(index)]; }
  QWidget* Thumb() const;
  QLabel* Grip() const { return lblResize_; }
  const ScrollTrack& Track() const { return track_; }
  bool RepeatActive() const;
  // Whether this window's moves currently carry the main window along.
  bool MovesMainWindow() const { return docked_at_drag_; }

 signals:
  // Skin button 0..6 released inside itself; after 6 (close) the window
  // closes on its own, so the handler need not.
  void buttonCommand(int index);
  // Before the window hides by its close button or close(): the owner saves
  // the tree's changes there (it may ask).
  void closing();
  void keyPressedOnWindow(QKeyEvent* event);
  void treeVisibilityChanged(bool tree_visible);
  void clickModeChanged(bool on);
  // Shown or hidden, whatever the cause.
  void visibilityChanged(bool visible);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class SlideThumb;
  friend class SlideThumb;

  FrameSize CurrentFrameSize() const;
  bool Zooms() const;
  void Relayout();
  void RebuildFrame();
  void RemakeShape();
  void PlaceButtons();
  void PlacePanes();
  QAbstractItemView* ShownPane() const;
  void FollowShownPane();
  void PlaceThumb();
  // The thumb's top dragged to `y`, or a click in the orbit at `y`: the
  // shown pane scrolls to match.
  void DragThumbTo(int y, bool orbit_click = false);
  void ScrollShownPane(int button);
  void StartRepeat();
  void StopRepeat();
  void RunButton(int index);
  bool Touching() const;
  bool GripEvent(QEvent* event);
  void SizeByHand(const QPoint& offset);

  const SkinState* skin_ = nullptr;
  QPointer<QWidget> main_window_;
  Dispatcher* dispatcher_ = nullptr;

  QWidget* pnlStretch_ = nullptr;
  SlideThumb* pbSlide_ = nullptr;
  QLabel* lblResize_ = nullptr;
  QPointer<QAbstractItemView> tree_;
  QPointer<QAbstractItemView> music_;
  QMetaObject::Connection follow_value_, follow_range_;

  // The frame as painted for the current size, in drawing pixels, and the
  // same in window pixels for cutting the shape.
  QPixmap frame_;
  QImage frame_shape_;
  QSize frame_size_;
  QSize shape_size_;
  std::array<SkinRect, kPlayListButtonCount> buttons_{};
  ScrollTrack track_;

  int pressed_button_ = -1;
  bool pressed_drawn_ = false;
  bool mouse_dragging_ = false;
  QPoint drag_start_global_;
  QPoint window_start_;
  // The edges a sizing drag by hand moves, and the geometry it started at.
  int sizing_edges_ = kEdgeNone;
  QRect sizing_start_;
  bool grip_resizing_ = false;
  QPoint grip_start_;
  std::unique_ptr<Timer> repeat_timer_;
  bool tree_visible_ = true;
  bool click_mode_ = true;
  bool placing_thumb_ = false;
  // Set at a press while the two windows touch and the skin locks them;
  // cleared when the button is seen up, however the move ended.
  bool docked_at_drag_ = false;
  bool moving_main_ = false;
  bool snapping_ = false;
  // Whether a skin or a saved size gave the window its size yet.
  bool sized_ = false;
};

}  // namespace tazmel
