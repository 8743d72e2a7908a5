#include "ui/playlist/playlist_window.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTreeView>
#include <QWindow>
#include <algorithm>
#include <chrono>

#include "core/dispatcher.h"
#include "skin/face_geometry.h"
#include "ui/skins/crop_window.h"
#include "ui/skins/skin_state.h"

namespace tazmel {
namespace {

using namespace std::chrono_literals;

constexpr auto kRepeatDelay = 500ms;
constexpr auto kRepeatInterval = 50ms;

QRect ToRect(const SkinRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }
SkinRect ToSkin(const QRect& r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

// Draws the frame steps from `face` (a drawing of `ratio` pixels per window
// pixel) into an image of the window's size.
QImage PaintFrame(const std::vector<FrameOp>& ops, const QImage& face, QSize size) {
  const qreal ratio = face.devicePixelRatio();
  QImage image(size * ratio, QImage::Format_RGB32);
  image.setDevicePixelRatio(ratio);
  image.fill(Qt::black);
  QPainter painter(&image);
  auto source = [ratio](const SkinRect& r) {
    return QRect(qRound(r.left * ratio), qRound(r.top * ratio), qRound(r.Width() * ratio), qRound(r.Height() * ratio));
  };
  for (const FrameOp& op : ops) {
    if (!op.tiled) {
      painter.drawImage(ToRect(op.dest), face, source(op.source));
      continue;
    }
    QPixmap piece = QPixmap::fromImage(face.copy(source(op.source)));
    piece.setDevicePixelRatio(ratio);
    painter.drawTiledPixmap(ToRect(op.dest), piece, QPoint(op.dest.left - op.origin_x, op.dest.top - op.origin_y));
  }
  return image;
}

}  // namespace

// The scroll-bar thumb: drawn from the add face, dragged along the orbit.
class TfrmPlayList::SlideThumb : public QWidget {
 public:
  explicit SlideThumb(TfrmPlayList* owner) : QWidget(owner), owner_(owner) {
    setObjectName(QStringLiteral("pbSlide"));
    setAttribute(Qt::WA_TranslucentBackground);
  }
  bool Dragged() const { return dragged_; }

 protected:
  void paintEvent(QPaintEvent*) override {
    if (!owner_->skin_) return;
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), owner_->skin_->ScrollThumbLook(dragged_));
  }
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton) return;
    dragged_ = true;
    press_y_ = qRound(event->position().y());
    update();
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    if (!dragged_) return;
    owner_->DragThumbTo(y() + qRound(event->position().y()) - press_y_);
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton || !dragged_) return;
    dragged_ = false;
    update();
  }

 private:
  TfrmPlayList* owner_;
  bool dragged_ = false;
  int press_y_ = 0;
};

TfrmPlayList::TfrmPlayList(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("frmPlayList"));
  setWindowTitle(QStringLiteral("Tazmel"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  // Hovering the edges shows the sizing cursors; a move with no button seen
  // also ends a move whose release the window manager kept.
  setMouseTracking(true);
  pnlStretch_ = new QWidget(this);
  pnlStretch_->setObjectName(QStringLiteral("pnlStretch"));
  pnlStretch_->installEventFilter(this);
  pbSlide_ = new SlideThumb(this);
  lblResize_ = new QLabel(this);
  lblResize_->setObjectName(QStringLiteral("lblResize"));
  lblResize_->setCursor(Qt::SizeFDiagCursor);
  lblResize_->installEventFilter(this);
  lblResize_->hide();
}

TfrmPlayList::~TfrmPlayList() = default;

QWidget* TfrmPlayList::Thumb() const { return pbSlide_; }

bool TfrmPlayList::Zooms() const { return skin_ && skin_->Ini().playlist_can_zoom; }

FrameSize TfrmPlayList::CurrentFrameSize() const {
  const QSize face = skin_ ? skin_->PlayListFace().size() : QSize();
  return {width(), height(), face.width(), face.height()};
}

void TfrmPlayList::ApplySkin() {
  if (!skin_ || !skin_->Loaded()) return;
  const SkinIni& ini = skin_->Ini();
  const QSize face = skin_->PlayListFace().size();
  if (Zooms()) {
    const QSize minimum = skin_->PlayListMinimumSize();
    setMinimumSize(minimum);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    // Never sized yet: the size the face was drawn for.
    resize(sized_ ? size().expandedTo(minimum) : face.expandedTo(minimum));
  } else {
    setFixedSize(face);
  }
  lblResize_->resize(std::max(0, ini.grip_width), std::max(0, ini.grip_height));
  sized_ = true;
  lblResize_->setVisible(!ini.move_resize_style && Zooms());
  // The panel shows the tree's background wherever no pane covers it.
  QPalette palette = pnlStretch_->palette();
  palette.setColor(QPalette::Window, ToQColor(ini.tree.color));
  pnlStretch_->setPalette(palette);
  pnlStretch_->setAutoFillBackground(true);
  PlaceBesideMainWindow();
  // A new skin makes a new shape even at the old size.
  shape_size_ = QSize();
  frame_size_ = QSize();
  Relayout();
  pbSlide_->update();
}

void TfrmPlayList::PlaceBesideMainWindow() {
  if (!main_window_ || !skin_ || !skin_->Loaded()) return;
  const QSize minimum = skin_->PlayListMinimumSize();
  const SkinRect placed = AlignPlayList(skin_->Ini().playlist_align, ToSkin(main_window_->frameGeometry()),
                                        ToSkin(geometry()), minimum.width(), minimum.height());
  if (placed == ToSkin(geometry())) return;
  // A skin that does not zoom keeps the face's size whatever the alignment.
  const QRect place = ToRect(placed);
  setGeometry(Zooms() ? place : QRect(place.topLeft(), size()));
}

void TfrmPlayList::RestoreGeometry(const QRect& saved) {
  QSize size = saved.size();
  if (skin_ && skin_->Loaded()) {
    size = Zooms() ? size.expandedTo(skin_->PlayListMinimumSize()) : skin_->PlayListFace().size();
  }
  sized_ = true;
  setGeometry(QRect(saved.topLeft(), size));
}

// Everything that follows the window's size: panel, buttons, orbit,
// thumb, grip, frame and shape.
void TfrmPlayList::Relayout() {
  if (!skin_ || !skin_->Loaded()) return;
  const SkinIni& ini = skin_->Ini();
  const FrameSize size = CurrentFrameSize();
  const SkinRect panel =
      Zooms() ? StretchPanelBounds(ini.rect, width(), height(), size.face_width, size.face_height) : ini.rect;
  pnlStretch_->setGeometry(ToRect(panel));
  PlaceButtons();
  const SkinRect thumb = ini.add.bScrollMove;
  track_ = MakeScrollTrack(ini.scroll_bar_orbit, size, thumb.Width(), thumb.Height());
  lblResize_->move(width() - lblResize_->width(), height() - lblResize_->height());
  lblResize_->raise();
  PlaceThumb();
  RebuildFrame();
  RemakeShape();
  update();
}

void TfrmPlayList::PlaceButtons() {
  const SkinIni& ini = skin_->Ini();
  const FrameSize size = CurrentFrameSize();
  for (int i = 0; i < kPlayListButtonCount; ++i) {
    buttons_[static_cast<std::size_t>(i)] =
        ShiftedButton(ini.playlist_buttons[static_cast<std::size_t>(i)], ini.pieces, size.Dx(), size.Dy());
  }
}

void TfrmPlayList::RebuildFrame() {
  if (frame_size_ == size()) return;
  frame_size_ = size();
  const SkinIni& ini = skin_->Ini();
  const FrameSize fs = CurrentFrameSize();
  const std::vector<FrameOp> ops =
      Zooms() ? ZoomFrameOps(ini.pieces, ini.rect, fs) : FixedFrameOps(ini.rect, fs.face_width, fs.face_height);
  const QImage& face = skin_->PlayListFace();
  frame_ = QPixmap::fromImage(PaintFrame(ops, skin_->DrawingFace(face), size()));
  // The shape is cut from what was drawn, in window pixels.
  frame_shape_ = ini.playlist_crop.mask_color ? PaintFrame(ops, face, size()) : QImage();
}

// Cut again only when the size changed since the last cut.
void TfrmPlayList::RemakeShape() {
  const CropRule& rule = skin_->Ini().playlist_crop;
  if (!rule.mask_color) {
    clearMask();
    shape_size_ = size();
    return;
  }
  if (shape_size_ == size()) return;
  shape_size_ = size();
  const PlayListCrop crop = PlayListCropFor(rule, size(), skin_->PlayListFace().size());
  const QImage& source = Zooms() ? frame_shape_ : skin_->PlayListFace();
  setMask(CropRegion(source, size(), *rule.mask_color, crop.rect, crop.type));
}

void TfrmPlayList::SetPanes(QAbstractItemView* tree, QAbstractItemView* music) {
  disconnect(follow_value_);
  disconnect(follow_range_);
  tree_ = tree;
  music_ = music;
  for (QAbstractItemView* pane : {tree, music}) {
    if (!pane) continue;
    pane->setParent(pnlStretch_);
    // The skinned bar is the only one shown.
    pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pane->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  }
  PlacePanes();
  SetTreeVisible(tree_visible_);
  SetClickMode(click_mode_);
}

void TfrmPlayList::PlacePanes() {
  for (QAbstractItemView* pane : {tree_.data(), music_.data()}) {
    if (pane) pane->setGeometry(pnlStretch_->rect());
  }
}

QAbstractItemView* TfrmPlayList::ShownPane() const { return tree_visible_ ? tree_.data() : music_.data(); }

void TfrmPlayList::SetTreeVisible(bool visible) {
  const bool changed = visible != tree_visible_;
  tree_visible_ = visible;
  if (tree_) tree_->setVisible(visible);
  if (music_) music_->setVisible(!visible);
  FollowShownPane();
  if (changed) emit treeVisibilityChanged(visible);
}

void TfrmPlayList::SetClickMode(bool on) {
  const bool changed = on != click_mode_;
  click_mode_ = on;
  if (tree_) {
    // Hot tracking, and a group opens when a dragged node rests on it.
    tree_->setMouseTracking(on);
    tree_->setAttribute(Qt::WA_Hover, on);
    if (auto* view = qobject_cast<QTreeView*>(tree_.data())) view->setAutoExpandDelay(on ? 500 : -1);
  }
  if (changed) emit clickModeChanged(on);
}

void TfrmPlayList::FollowShownPane() {
  disconnect(follow_value_);
  disconnect(follow_range_);
  if (QAbstractItemView* pane = ShownPane()) {
    QScrollBar* bar = pane->verticalScrollBar();
    follow_value_ = connect(bar, &QScrollBar::valueChanged, this, [this] { PlaceThumb(); });
    follow_range_ = connect(bar, &QScrollBar::rangeChanged, this, [this] { PlaceThumb(); });
  }
  PlaceThumb();
}

void TfrmPlayList::PlaceThumb() {
  if (placing_thumb_) return;
  int max_pos = 0, cur_pos = 0;
  if (QAbstractItemView* pane = ShownPane()) {
    const QScrollBar* bar = pane->verticalScrollBar();
    max_pos = bar->maximum() - bar->minimum();
    cur_pos = bar->value() - bar->minimum();
  }
  pbSlide_->setGeometry(track_.ThumbLeft(), ThumbTopFor(track_, max_pos, cur_pos), track_.thumb_width,
                        track_.thumb_height);
  pbSlide_->raise();
}

// The pane scrolls to match the thumb, and the thumb stays where it was put
// rather than where the pane's rows round it.
void TfrmPlayList::DragThumbTo(int y, bool orbit_click) {
  QAbstractItemView* pane = ShownPane();
  QScrollBar* bar = pane ? pane->verticalScrollBar() : nullptr;
  const int max_pos = bar ? bar->maximum() - bar->minimum() : 0;
  // Rows that all fit leave nothing to scroll: the thumb stays at the top.
  const int range_max = max_pos > 0 ? max_pos + std::max(1, bar->pageStep()) - 1 : 0;
  const ThumbScroll scroll =
      orbit_click ? OrbitClick(track_, y, max_pos, range_max) : ThumbDragTo(track_, y, max_pos, range_max);
  placing_thumb_ = true;
  switch (scroll.kind) {
    case ThumbScroll::Kind::kToTop:
      bar->triggerAction(QAbstractSlider::SliderToMinimum);
      break;
    case ThumbScroll::Kind::kToBottom:
      bar->triggerAction(QAbstractSlider::SliderToMaximum);
      break;
    case ThumbScroll::Kind::kPosition:
      bar->setValue(bar->minimum() + scroll.position);
      break;
    case ThumbScroll::Kind::kNone:
      break;
  }
  placing_thumb_ = false;
  pbSlide_->move(track_.ThumbLeft(), scroll.thumb_top);
}

void TfrmPlayList::ScrollShownPane(int button) {
  QAbstractItemView* pane = ShownPane();
  if (!pane) return;
  pane->verticalScrollBar()->triggerAction(button == kBtnScrollUp ? QAbstractSlider::SliderSingleStepSub
                                                                  : QAbstractSlider::SliderSingleStepAdd);
}

bool TfrmPlayList::RepeatActive() const { return repeat_timer_ && repeat_timer_->Active(); }

void TfrmPlayList::StartRepeat() {
  StopRepeat();
  if (!dispatcher_) return;
  const int button = pressed_button_;
  repeat_timer_ = dispatcher_->CreateTimer([this, button] {
    ScrollShownPane(button);
    if (repeat_timer_->Interval() != kRepeatInterval) repeat_timer_->Start(kRepeatInterval);
  });
  repeat_timer_->Start(kRepeatDelay);
}

void TfrmPlayList::StopRepeat() {
  if (!repeat_timer_) return;
  repeat_timer_->Stop();
  repeat_timer_.reset();
}

void TfrmPlayList::RunButton(int index) {
  if (index == kBtnScrollUp || index == kBtnScrollDown) return;  // scrolled on the press and while held
  emit buttonCommand(index);
  if (index == kBtnClose) close();
}

bool TfrmPlayList::Touching() const {
  if (!main_window_ || !main_window_->isVisible()) return false;
  return IsPlayListDocked(ToSkin(main_window_->frameGeometry()), ToSkin(frameGeometry()));
}

void TfrmPlayList::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (frame_.isNull()) {
    painter.fillRect(rect(), QColor(0x1E, 0x22, 0x27));
    return;
  }
  painter.drawPixmap(0, 0, frame_);
  if (pressed_drawn_ && pressed_button_ >= 0 && skin_) {
    const QRect r = ToRect(buttons_[static_cast<std::size_t>(pressed_button_)]);
    painter.setClipRect(r);
    painter.drawImage(r.topLeft(), skin_->PlayListButtonLook(pressed_button_, true));
  }
}

void TfrmPlayList::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Relayout();
}

void TfrmPlayList::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (!main_window_ || !skin_ || moving_main_ || snapping_) return;
  const QPoint delta = event->pos() - event->oldPos();
  if (docked_at_drag_) {
    moving_main_ = true;
    main_window_->move(main_window_->pos() + delta);
    moving_main_ = false;
    return;
  }
  if (skin_->Ini().lock_playlist_form || !main_window_->isVisible()) return;
  const SnapPoint snapped = SnapPlayList(x(), y(), width(), height(), ToSkin(main_window_->frameGeometry()));
  if (snapped.left == x() && snapped.top == y()) return;
  snapping_ = true;
  move(snapped.left, snapped.top);
  snapping_ = false;
}

void TfrmPlayList::mousePressEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  const bool left = event->button() == Qt::LeftButton;
  mouse_dragging_ = left;
  if (left && InOrbit(track_, p.x(), p.y())) {
    mouse_dragging_ = false;
    DragThumbTo(p.y(), true);
    return;
  }
  const std::optional<int> hit = HitPlayListButton(buttons_, p.x(), p.y());
  pressed_button_ = hit.value_or(-1);
  if (hit) {
    pressed_drawn_ = true;
    update(ToRect(buttons_[static_cast<std::size_t>(*hit)]));
    if (*hit == kBtnScrollUp || *hit == kBtnScrollDown) {
      ScrollShownPane(*hit);
      StartRepeat();
    }
    return;
  }
  if (!left || !skin_) return;
  docked_at_drag_ = skin_->Ini().lock_playlist_form && Touching();
  drag_start_global_ = event->globalPosition().toPoint();
  window_start_ = pos();
  if (!skin_->Ini().move_resize_style || !windowHandle()) return;
  // The window manager moves or sizes the window; where it cannot, the
  // window follows the pointer by hand.
  const int edges = Zooms() ? SizingAreaAt(p.x(), p.y(), width(), height()) : kEdgeNone;
  Qt::Edges qt_edges;
  if (edges & kEdgeLeft) qt_edges |= Qt::LeftEdge;
  if (edges & kEdgeTop) qt_edges |= Qt::TopEdge;
  if (edges & kEdgeRight) qt_edges |= Qt::RightEdge;
  if (edges & kEdgeBottom) qt_edges |= Qt::BottomEdge;
  const bool handed =
      edges != kEdgeNone ? windowHandle()->startSystemResize(qt_edges) : windowHandle()->startSystemMove();
  if (handed) {
    mouse_dragging_ = false;
  } else {
    sizing_edges_ = edges;
    sizing_start_ = geometry();
  }
}

// Sizing by hand where the window manager cannot: the dragged edges follow
// the pointer, and a rectangle below the minimum gives way at those edges.
void TfrmPlayList::SizeByHand(const QPoint& offset) {
  SkinRect r = ToSkin(sizing_start_);
  if (sizing_edges_ & kEdgeLeft) r.left += offset.x();
  if (sizing_edges_ & kEdgeRight) r.right += offset.x();
  if (sizing_edges_ & kEdgeTop) r.top += offset.y();
  if (sizing_edges_ & kEdgeBottom) r.bottom += offset.y();
  const QSize minimum = skin_->PlayListMinimumSize();
  setGeometry(ToRect(LimitSizingRect(r, sizing_edges_, minimum.width(), minimum.height())));
}

void TfrmPlayList::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  // A system move may end without a release reaching this window: a move
  // with the button up ends it all the same.
  if (!(event->buttons() & Qt::LeftButton)) {
    docked_at_drag_ = false;
    mouse_dragging_ = false;
    sizing_edges_ = kEdgeNone;
  }
  if (skin_ && skin_->Ini().move_resize_style && Zooms() && event->buttons() == Qt::NoButton) {
    const int edges = SizingAreaAt(p.x(), p.y(), width(), height());
    const bool diagonal = edges == (kEdgeLeft | kEdgeTop) || edges == (kEdgeRight | kEdgeBottom);
    const bool anti = edges == (kEdgeRight | kEdgeTop) || edges == (kEdgeLeft | kEdgeBottom);
    setCursor(diagonal                           ? Qt::SizeFDiagCursor
              : anti                             ? Qt::SizeBDiagCursor
              : edges & (kEdgeLeft | kEdgeRight) ? Qt::SizeHorCursor
              : edges & (kEdgeTop | kEdgeBottom) ? Qt::SizeVerCursor
                                                 : Qt::ArrowCursor);
  }
  if (!mouse_dragging_) return;
  if (pressed_button_ >= 0) {
    const SkinRect r = buttons_[static_cast<std::size_t>(pressed_button_)];
    if (pressed_drawn_ && !StrictlyInside(r, p.x(), p.y())) {
      pressed_drawn_ = false;
      update(ToRect(r));
      StopRepeat();
    }
    return;
  }
  const QPoint offset = event->globalPosition().toPoint() - drag_start_global_;
  if (sizing_edges_ != kEdgeNone) {
    SizeByHand(offset);
  } else {
    move(window_start_ + offset);
  }
}

void TfrmPlayList::mouseReleaseEvent(QMouseEvent* event) {
  mouse_dragging_ = false;
  sizing_edges_ = kEdgeNone;
  docked_at_drag_ = false;
  StopRepeat();
  const int pressed = pressed_button_;
  if (pressed < 0) return;
  const QPoint p = event->position().toPoint();
  const SkinRect r = buttons_[static_cast<std::size_t>(pressed)];
  // Leaving the button drew it normally already; only a release inside
  // runs the command.
  if (!pressed_drawn_ || !StrictlyInside(r, p.x(), p.y())) return;
  pressed_drawn_ = false;
  update(ToRect(r));
  RunButton(pressed);
}

void TfrmPlayList::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second click of a double click is one more press.
  mousePressEvent(event);
}

void TfrmPlayList::keyPressEvent(QKeyEvent* event) { emit keyPressedOnWindow(event); }

void TfrmPlayList::closeEvent(QCloseEvent* event) {
  emit closing();
  event->accept();
}

void TfrmPlayList::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  PlacePanes();
  FollowShownPane();
  if (!event->spontaneous()) emit visibilityChanged(true);
}

void TfrmPlayList::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  StopRepeat();
  if (!event->spontaneous()) emit visibilityChanged(false);
}

bool TfrmPlayList::event(QEvent* event) {
  // The pointer reaching or leaving the window with no button held ends a
  // move the window manager ran, so a move of the main window later is not
  // taken for one of this window's.
  if ((event->type() == QEvent::Enter || event->type() == QEvent::Leave) &&
      QGuiApplication::mouseButtons() == Qt::NoButton) {
    docked_at_drag_ = false;
    mouse_dragging_ = false;
  }
  return QWidget::event(event);
}

bool TfrmPlayList::eventFilter(QObject* watched, QEvent* event) {
  if (watched == pnlStretch_ && event->type() == QEvent::Resize) PlacePanes();
  if (watched == lblResize_) return GripEvent(event);
  return QWidget::eventFilter(watched, event);
}

// The grip sizes the window by hand; its offset is measured from where it
// was pressed, and the grip moves with the corner.
bool TfrmPlayList::GripEvent(QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      grip_start_ = mouse->position().toPoint();
      if (mouse->button() == Qt::LeftButton) grip_resizing_ = true;
      return true;
    }
    case QEvent::MouseMove: {
      if (!grip_resizing_ || !skin_) return true;
      const QPoint p = static_cast<QMouseEvent*>(event)->position().toPoint();
      const QSize minimum = skin_->PlayListMinimumSize();
      const GripSize size = GripResize(width(), height(), p.x() - grip_start_.x(), p.y() - grip_start_.y(),
                                       minimum.width(), minimum.height());
      if (size.width != width() || size.height != height()) resize(size.width, size.height);
      return true;
    }
    case QEvent::MouseButtonRelease:
      grip_resizing_ = false;
      return true;
    default:
      return false;
  }
}

}  // namespace tazmel
