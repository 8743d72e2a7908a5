#include "ui/main/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QToolTip>
#include <QWindow>
#include <algorithm>

#include "core/dispatcher.h"
#include "core/text_utils.h"
#include "playback/engine_view.h"
#include "ui/controls/digits_panel.h"
#include "ui/controls/drop_target.h"
#include "ui/controls/scroll_label.h"
#include "ui/main/face_knob.h"
#include "ui/main/main_window_port.h"
#include "ui/main/tray_icon.h"
#include "ui/message_slots.h"
#include "ui/skins/crop_window.h"
#include "ui/text_edge.h"

namespace tazmel {
namespace {

QRect ToRect(const SkinRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

bool Inside(const SkinRect& r, const QPoint& p) {
  return p.x() >= r.left && p.x() < r.right && p.y() >= r.top && p.y() < r.bottom;
}

TScrollLabel* NewLabel(QWidget* parent, const char* name) {
  auto* label = new TScrollLabel(parent);
  label->setObjectName(name);
  label->SetTransparent(true);
  // Station and state texts are data: an "&" in them is drawn as it is,
  // never taken for an accelerator mark.
  label->SetShowAccelChar(false);
  return label;
}

TDigitsPanel* NewDigits(QWidget* parent, const char* name) {
  auto* panel = new TDigitsPanel(parent);
  panel->setObjectName(name);
  panel->SetBevelOuter(bvNone);
  panel->SetBevelInner(bvNone);
  panel->SetMargin(1);
  panel->SetTransparent(true);
  panel->hide();
  return panel;
}

// The tray icon before any skin gave one (or when none loads): without it
// there would be nothing left to bring the window back with.
QIcon FallbackTrayIcon() {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0xF0, 0xA0, 0x20));
  painter.drawEllipse(QRectF(1, 1, 30, 30));
  painter.setBrush(QColor(0x1E, 0x22, 0x27));
  painter.drawPolygon(QPolygonF({QPointF(12, 9), QPointF(24, 16), QPointF(12, 23)}));
  return QIcon(pixmap);
}

// What a skin button other than the channels does on release: a menu
// action by name, or a step of the window's own.
struct ButtonCommand {
  int button;
  const char* action;
  void (*run)(TfrmMain&);
};

constexpr ButtonCommand kButtonCommands[] = {
    {kPageUp, nullptr, [](TfrmMain& w) { emit w.channelPageRequested(-1); }},
    {kPageDown, nullptr, [](TfrmMain& w) { emit w.channelPageRequested(+1); }},
    {kMainMenu, nullptr, [](TfrmMain& w) { w.PopupMainMenu(QCursor::pos()); }},
    {kHide, "nHide", nullptr},
    {kClose, nullptr, [](TfrmMain& w) { w.close(); }},
    {kRecord, nullptr, [](TfrmMain& w) { emit w.recordClicked(); }},
    {kOpenFile, nullptr,
     [](TfrmMain& w) {
       if (!w.MusicMode()) {
         w.PopupStationMenu(QCursor::pos());
       } else if (QAction* files = w.Action("nOpenFiles"); files->isEnabled()) {
         files->trigger();
       }
     }},
    {kPlayListFormShow, "nShowTree", nullptr},
    {kMute, "nMute", nullptr},
    {kPrevious, "nPreview", nullptr},
    {kStop, "nStop", nullptr},
    {kPause, "nPause", nullptr},
    {kPlay, "nPlay", nullptr},
    {kNext, "nNext", nullptr},
    {kAddVolume, nullptr, [](TfrmMain& w) { w.StepVolume(+1); }},
    {kDecVolume, nullptr, [](TfrmMain& w) { w.StepVolume(-1); }},
    {kMP3, "nSwitchMode", nullptr},
    {kAbout, "nAbout", nullptr},
    {kWebsite, "nWebSite", nullptr},
    {kVoiceClock, "nTalkingClock", nullptr},
};

}  // namespace

TfrmMain::TfrmMain(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
  setObjectName("frmMain");
  setWindowTitle(QStringLiteral("Tazmel"));
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  CreateMenus();
  CreateControls();
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::CreateControls() {
  for (int i = 0; i < kChannelButtonCount; ++i) {
    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("lblNum%1").arg(i + 1));
    label->setAlignment(Qt::AlignCenter);
    // The number sits on its button: the face gets the pointer.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    lblNum_[static_cast<std::size_t>(i)] = label;
  }
  const char* knob_names[] = {"pbVolSlide", "pbEquSlide", "pbProSlide"};
  for (std::size_t i = 0; i < knobs_.size(); ++i) {
    auto* knob = new TFaceKnob(this);
    knob->setObjectName(knob_names[i]);
    BarState& bar = bars_[i];
    knob->OnDragStart = [this, &bar] {
      if (bar.which == SkinState::Bar::kProgress) {
        if (controls_ && controls_->CanSeek()) controls_->BeginSeek();
      } else {
        value_shown_by_click_ = true;
        ShowVolumeText(QString());
      }
    };
    knob->OnDragMove = [this, &bar](int dx, int dy) {
      if (bar.which == SkinState::Bar::kProgress && !(controls_ && controls_->CanSeek())) return;
      bar.knob = bar.geometry.Moved(bar.knob, bar.geometry.Vertical() ? dy : dx);
      PlaceKnob(bar);
      ApplyBar(bar, true);
    };
    knob->OnDragEnd = [this, &bar] {
      if (bar.which == SkinState::Bar::kProgress) {
        if (controls_ && controls_->CanSeek()) controls_->SeekTo(bar.geometry.FractionOf(bar.knob));
      } else {
        EndValueChange();
      }
    };
    knobs_[i] = knob;
  }
  slblRadioName_ = NewLabel(this, "slblRadioName");
  slblState_ = NewLabel(this, "slblState");
  slblSpeed_ = NewLabel(this, "slblSpeed");
  slblElapsed_ = NewLabel(this, "slblElapsed");
  slblClock_ = NewLabel(this, "slblClock");
  slblVolume_ = NewLabel(this, "slblVolume");
  slblVolume_->hide();
  for (TScrollLabel* label : {slblRadioName_, slblState_, slblSpeed_, slblElapsed_, slblClock_, slblVolume_}) {
    label->installEventFilter(this);
    // The face's hints follow the pointer across the labels too; the station
    // name shows its own.
    label->setMouseTracking(label != slblRadioName_);
  }
  // Resting on the station name holds its scrolling.
  slblRadioName_->OnMouseEnter = [this] { slblRadioName_->SetActive(false); };
  slblRadioName_->OnMouseLeave = [this] { slblRadioName_->SetActive(slblRadioName_->Scroll()); };
  dpElapsed_ = NewDigits(this, "dpElapsed");
  dpClock_ = NewDigits(this, "dpClock");
  dpElapsed_->installEventFilter(this);
  dpClock_->installEventFilter(this);

  tmrCheck_ = new QTimer(this);
  tmrCheck_->setObjectName("tmrCheck");
  tmrCheck_->setInterval(1000);

  dropURLFiles_ = new TDropURLFilesTarget(this);
  dropURLFiles_->OnDrop = [this](Qt::KeyboardModifiers, Qt::DropAction, QPoint) { emit linksDropped(); };

  tray_ = new TrayIcon(this);
  tray_->SetFrames({FallbackTrayIcon()});
  tray_->SetContextMenu(pmMainMenu_);
  tray_->SetHint(windowTitle());
}

void TfrmMain::SetControls(MainWindowPort* controls) {
  controls_ = controls;
  ShowVolume();
  update();
}

void TfrmMain::SetDispatcher(Dispatcher& dispatcher) {
  tmrDelay_ = dispatcher.CreateTimer([this] {
    const int index = skin_.main_pressed_index;
    if (index == kAddVolume || index == kDecVolume) StepVolume(index == kAddVolume ? +1 : -1);
  });
  volume_text_timer_ = dispatcher.CreateTimer([this] {
    // A button or knob held meanwhile keeps the value up until its release.
    if (skin_.main_pressed_index < 0 && !value_shown_by_click_) HideVolumeText();
  });
  volume_text_timer_->SetSingleShot(true);
}

TfrmMain::BarState& TfrmMain::BarOf(SkinState::Bar which) { return bars_[static_cast<std::size_t>(which)]; }

TFaceKnob& TfrmMain::Knob(SkinState::Bar bar) { return *knobs_[static_cast<std::size_t>(bar)]; }

bool TfrmMain::ChooseSkin(const std::filesystem::path& skins_root, std::string& name) {
  // Screens that scale by two draw from the skin's double-size faces.
  skin_.SetPixelRatio(devicePixelRatioF() > 1.25 ? 2 : 1);
  skin_usable_ = tazmel::ChooseSkin(skin_, skins_root, name);
  if (skin_usable_) {
    skins_root_ = skins_root;
    skin_name_ = name;
    ApplySkin();
  }
  return skin_usable_;
}

// Lays the window out from the loaded skin: size, shape, labels, displays
// and knobs.
void TfrmMain::ApplySkin() {
  const SkinIni& ini = skin_.Ini();
  const QImage& face = skin_.MainFace();
  face_pixmap_ = QPixmap::fromImage(skin_.DrawingFace(face));
  setFixedSize(face.size());

  if (ini.main_crop.mask_color) {
    CropWindow(*this, face, *ini.main_crop.mask_color, ini.main_crop.not_crop, ini.main_crop.crop_type);
  } else {
    clearMask();
  }

  PlaceChannelLabels();
  const std::pair<TScrollLabel*, int> labels[] = {{slblRadioName_, kNameLabel},  {slblVolume_, kNameLabel},
                                                  {slblState_, kStateLabel},     {slblSpeed_, kSpeedLabel},
                                                  {slblElapsed_, kElapsedLabel}, {slblClock_, kClockLabel}};
  for (const auto& [label, section] : labels) ApplyLabelSkin(*label, ini.labels[static_cast<std::size_t>(section)]);
  slblVolume_->hide();

  const std::pair<TDigitsPanel*, const std::optional<SkinRect>*> displays[] = {{dpElapsed_, &ini.sElapsedTime},
                                                                               {dpClock_, &ini.sClock}};
  for (const auto& [panel, bounds] : displays) {
    panel->SetDigits(skin_.DrawingFace(panel == dpClock_ ? skin_.ClockNumsFace() : skin_.NumsFace()));
    panel->SetBackBitmap(&face_pixmap_);
    if (*bounds) {
      panel->setGeometry(ToRect(**bounds));
      panel->SetBackRect(ToRect(**bounds));
      panel->show();
    } else {
      panel->hide();
    }
  }

  for (BarState& bar : bars_) {
    const QImage look = skin_.ThumbLook(bar.which, false);
    const BarSkin& skin_bar = bar.which == SkinState::Bar::kVolume     ? ini.volume_bar
                              : bar.which == SkinState::Bar::kEquation ? ini.equation_bar
                                                                       : ini.progress_bar;
    const QSize knob = look.deviceIndependentSize().toSize();
    bar.geometry = BarGeometry(skin_bar, knob.width(), knob.height());
    knobs_[static_cast<std::size_t>(bar.which)]->SetLooks(look, skin_.ThumbLook(bar.which, true));
  }
  ShowVolume();
  // The knob goes where the last fraction put it on the old bar, then the
  // player gives its place as it stands now.
  SetProgress(progress_);
  if (controls_) controls_->RefreshProgress();

  // A skin without tray icons keeps the frames shown so far (at first the
  // drawn fallback) rather than leaving the tray with no icon at all.
  if (!skin_.TrayFrames().empty()) {
    tray_->SetFrames(skin_.TrayFrames());
    setWindowIcon(skin_.TrayFrames().front());
  }
  update();
  emit skinApplied();
}

void TfrmMain::ApplyLabelSkin(TScrollLabel& label, const ScrollLabelSkin& s) {
  label.setGeometry(ToRect(s.bounds));
  label.SetAlignment(s.alignment == LabelAlignment::kCenter  ? taCenter
                     : s.alignment == LabelAlignment::kRight ? taRightJustify
                                                             : taLeftJustify);
  label.SetFont(skin_.LabelFont(s));
  label.SetFontColor(ToQColor(s.font_color));
  label.SetEllipses(s.ellipses);
  label.SetDrawType(static_cast<TDrawType>(s.draw_type));
  label.SetShadowOffset(s.shadow_offset);
  label.SetShadowColor(ToQColor(s.shadow_color));
  label.SetScrollDelay(static_cast<unsigned>(std::max(0, s.scroll_delay)));
  label.SetScrollStep(s.scroll_step);
  label.SetRepeatDelay(s.repeat_delay);
  label.SetScrollAuto(s.scroll_auto);
  label.SetScroll(s.scroll);
  label.SetScrollMode(static_cast<TScrollMode>(s.scroll_mode));
  // Every face label is centred vertically (the control's own default is
  // top): skins place their label boxes around the text line.
  label.SetLayout(tlCenter);
  label.SetBackBmp(&face_pixmap_);
  label.SetBackRect(ToRect(s.bounds));
  label.setVisible(s.bounds.Width() > 0 && s.bounds.Height() > 0);
}

void TfrmMain::PlaceChannelLabels() {
  const SkinIni& ini = skin_.Ini();
  const QFont font = skin_.NumsFont();
  QPalette palette;
  palette.setColor(QPalette::WindowText, ToQColor(ini.nums_font_color));
  for (int i = 0; i < kChannelButtonCount; ++i) {
    QLabel* label = lblNum_[static_cast<std::size_t>(i)];
    label->setGeometry(ToRect(ini.num_labels[static_cast<std::size_t>(i)]));
    label->setFont(font);
    label->setPalette(palette);
  }
}

void TfrmMain::PlaceKnob(BarState& bar) {
  knobs_[static_cast<std::size_t>(bar.which)]->setGeometry(ToRect(bar.knob));
  update(ToRect(bar.geometry.Fill(bar.knob, BarGeometry::FillTo::kFarEdge))
             .united(ToRect(bar.knob))
             .adjusted(-2, -2, 2, 2));
  update();
}

void TfrmMain::ApplyBar(BarState& bar, bool dragging) {
  const double fraction = bar.geometry.FractionOf(bar.knob);
  switch (bar.which) {
    case SkinState::Bar::kVolume: {
      const int volume = VolumeFromFraction(fraction);
      if (controls_) controls_->SetVolume(volume);
      ShowVolumeText(FromGb(VolumeText(volume)));
      break;
    }
    case SkinState::Bar::kEquation: {
      const BalanceValue balance = BalanceFromFraction(fraction);
      if (controls_) controls_->SetBalance(balance.balance);
      ShowVolumeText(FromGb(balance.text));
      break;
    }
    case SkinState::Bar::kProgress:
      // A click seeks at once; a drag seeks when the knob is let go.
      if (!dragging && controls_ && controls_->CanSeek()) controls_->SeekTo(fraction);
      break;
  }
}

void TfrmMain::ShowVolume() {
  BarState& volume = BarOf(SkinState::Bar::kVolume);
  volume.knob = volume.geometry.KnobAt(VolumeFraction(controls_ ? controls_->Volume() : 0));
  PlaceKnob(volume);
  BarState& balance = BarOf(SkinState::Bar::kEquation);
  balance.knob = balance.geometry.KnobAt(BalanceFraction(controls_ ? controls_->Balance() : 0));
  PlaceKnob(balance);
}

void TfrmMain::SetProgress(double fraction) {
  progress_ = fraction;
  BarState& bar = BarOf(SkinState::Bar::kProgress);
  if (Knob(SkinState::Bar::kProgress).Dragging()) return;
  // A live stream pushes its figures every tick; a knob that stays put
  // must not repaint the face each time.
  const SkinRect knob = bar.geometry.KnobAt(fraction);
  if (knob == bar.knob) return;
  bar.knob = knob;
  PlaceKnob(bar);
}

void TfrmMain::StepVolume(int direction) {
  if (!controls_) return;
  controls_->SetVolume(controls_->Volume() + direction * skin_.Ini().VolumeStepPercent());
  ShowVolume();
  ShowVolumeText(FromGb(VolumeText(controls_->Volume())));
  if (volume_text_timer_) volume_text_timer_->Start(std::chrono::milliseconds(kVolumeTextShowMs));
}

void TfrmMain::ShowVolumeText(const QString& text) {
  slblVolume_->SetCaption(text);
  if (slblVolume_->isHidden()) {
    slblRadioName_->hide();
    slblVolume_->show();
  }
}

void TfrmMain::HideVolumeText() {
  slblVolume_->hide();
  slblRadioName_->setVisible(skin_.Ini().labels[kNameLabel].bounds.Width() > 0);
}

void TfrmMain::ShowPlayState(int state) {
  if (state >= 0 && state <= 3) play_state_ = state;
  if (state == 6 || state == 7) recording_ = state == 6;
  update();
}

// One snapshot of the engine, at most one repaint of the face.
void TfrmMain::ShowEngine(const EngineViewState& engine) {
  const int old_play_state = play_state_;
  const QString elapsed = FromGb(engine.elapsed);
  const QString title = FromGb(TitleWithNowPlaying(engine));
  slblState_->SetCaption(FromGb(engine.state));
  slblSpeed_->SetCaption(FromGb(engine.speed));
  slblElapsed_->SetCaption(elapsed);
  dpElapsed_->SetValue(elapsed);
  slblRadioName_->SetCaption(title);
  slblRadioName_->setToolTip(FromGb(engine.hint));
  tray_->SetHint(title.isEmpty() ? windowTitle()
                                 : windowTitle() + QStringLiteral(" - [ ") + title + QStringLiteral(" ]"));
  switch (engine.transport) {
    case TransportState::kBusy:
      play_state_ = SkinState::kConnecting;
      break;
    case TransportState::kPlaying:
      play_state_ = SkinState::kPlaying;
      break;
    case TransportState::kPaused:
      play_state_ = SkinState::kPaused;
      break;
    case TransportState::kStopped:
      play_state_ = SkinState::kStopped;
      break;
  }
  tray_->SetPlayingAnimation(engine.tray_animation, engine.tray_interval);
  SetProgress(engine.progress);
  // The labels repaint themselves; the face shows only the play state.
  if (play_state_ != old_play_state) update();
}

void TfrmMain::ShowClock(const QString& text) {
  slblClock_->SetCaption(text);
  dpClock_->SetValue(text);
}

void TfrmMain::ShowChannels(const std::array<ChannelLabel, kChannelButtonCount>& channels) {
  for (int i = 0; i < kChannelButtonCount; ++i) {
    lblNum_[static_cast<std::size_t>(i)]->setText(FromGb(channels[static_cast<std::size_t>(i)].caption));
  }
  channels_ = channels;
}

void TfrmMain::SetMusicMode(bool on) {
  hint_state_.music_mode = on;
  update();
}

void TfrmMain::SetRecording(bool on) {
  recording_ = on;
  hint_state_.recording = on;
  update();
}

void TfrmMain::SetPlayListVisible(bool on) {
  hint_state_.playlist_visible = on;
  update();
}

bool TfrmMain::Muted() const { return controls_ && controls_->Muted(); }

void TfrmMain::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (!skin_.Loaded()) {
    painter.fillRect(rect(), QColor(0x1E, 0x22, 0x27));
    return;
  }
  const SkinIni& ini = skin_.Ini();
  painter.drawImage(0, 0, skin_.DrawingFace(skin_.MainFace()));
  auto at = [&](const SkinRect& r, const QImage& look) {
    if (!look.isNull() && r.Width() > 0) painter.drawImage(r.left, r.top, look);
  };
  at(ini.sPlayState, skin_.PlayStateLook(play_state_));
  const bool muted = Muted();
  if (muted) at(ini.sSoundState, skin_.SoundStateLook(true));
  if (recording_) at(ini.sRecordState, skin_.RecordStateLook(true));

  const int pressed = pressed_inside_ ? skin_.main_pressed_index : -1;
  const std::pair<SkinState::SecondLook, bool> second_looks[] = {
      {SkinState::SecondLook::kRecording, recording_},
      {SkinState::SecondLook::kMuted, muted},
      {SkinState::SecondLook::kMusicList, hint_state_.music_mode},
      {SkinState::SecondLook::kPlayListHidden, !hint_state_.playlist_visible}};
  for (const auto& [which, on] : second_looks) {
    const int button = SkinState::SecondLookButton(which);
    if (on) at(ini.main_buttons[static_cast<std::size_t>(button)], skin_.SecondLookOf(which, pressed == button));
  }
  if (pressed >= 0) {
    bool has_second_look = false;
    for (const auto& [which, on] : second_looks) has_second_look |= on && SkinState::SecondLookButton(which) == pressed;
    if (!has_second_look) at(ini.main_buttons[static_cast<std::size_t>(pressed)], skin_.ButtonLook(pressed, true));
  }
  PaintBars(painter);
  if (!painted_) {
    painted_ = true;
    QTimer::singleShot(0, this, &TfrmMain::firstPainted);
  }
}

// A bar is filled from its start up to the knob with the pressed face:
// volume to the knob's far edge, balance to its centre, progress to its
// near edge.
void TfrmMain::PaintBars(QPainter& painter) {
  for (const BarState& bar : bars_) {
    const auto to = bar.which == SkinState::Bar::kVolume     ? BarGeometry::FillTo::kFarEdge
                    : bar.which == SkinState::Bar::kEquation ? BarGeometry::FillTo::kCentre
                                                             : BarGeometry::FillTo::kNearEdge;
    const QRect fill = ToRect(bar.geometry.Fill(bar.knob, to));
    if (fill.isEmpty()) continue;
    painter.drawImage(fill.topLeft(), skin_.Piece(skin_.PressedFace(), bar.geometry.Fill(bar.knob, to)));
  }
}

void TfrmMain::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    if (event->button() == Qt::RightButton) PopupMainMenu(event->globalPosition().toPoint());
    return;
  }
  const QPoint p = event->position().toPoint();
  window_drag_ = true;
  drag_start_global_ = event->globalPosition().toPoint();
  window_start_ = pos();
  playlist_docked_at_drag_ = PlayListDocked();

  for (BarState& bar : bars_) {
    if (!bar.geometry.Contains(p.x(), p.y()) || bar.geometry.Length() <= 0) continue;
    if (bar.which == SkinState::Bar::kProgress && !(controls_ && controls_->CanSeek())) continue;
    bar.knob = bar.geometry.ClickedAt(p.x(), p.y());
    PlaceKnob(bar);
    ApplyBar(bar, false);
    value_shown_by_click_ = bar.which != SkinState::Bar::kProgress;
    window_drag_ = false;
    return;
  }

  if (const auto hit = HitMainButton(skin_.Ini(), p.x(), p.y())) {
    window_drag_ = false;
    skin_.main_pressed_index = *hit;
    pressed_inside_ = true;
    if (*hit < kChannelButtonCount) NumLabel(*hit).move(NumLabel(*hit).pos() + QPoint(2, 2));
    if (*hit == kAddVolume || *hit == kDecVolume) {
      ShowVolumeText(controls_ ? FromGb(VolumeText(controls_->Volume())) : QString());
      if (tmrDelay_) tmrDelay_->Start(std::chrono::milliseconds(100));
    }
    update();
    return;
  }

  // Free face: the window moves. The window manager moves it when the skin
  // asks for that and the platform can; otherwise it follows the pointer.
  if (skin_.Ini().move_resize_style && windowHandle() && windowHandle()->startSystemMove()) window_drag_ = false;
}

void TfrmMain::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  last_pos_ = p;
  // The system's move loop may swallow the release: the pointer moving with
  // no button held ends the drag all the same, so a playlist window docked
  // at its start does not follow later moves.
  if (!(event->buttons() & Qt::LeftButton)) playlist_docked_at_drag_ = false;
  const int pressed = skin_.main_pressed_index;
  if (pressed >= 0) {
    const bool inside = Inside(skin_.Ini().main_buttons[static_cast<std::size_t>(pressed)], p);
    if (inside != pressed_inside_) {
      pressed_inside_ = inside;
      if (pressed < kChannelButtonCount) {
        NumLabel(pressed).move(NumLabel(pressed).pos() + (inside ? QPoint(2, 2) : QPoint(-2, -2)));
      }
      update();
    }
    return;
  }
  if (window_drag_ && (event->buttons() & Qt::LeftButton)) {
    move(window_start_ + event->globalPosition().toPoint() - drag_start_global_);
    return;
  }
  UpdateHint(p);
}

void TfrmMain::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  window_drag_ = false;
  playlist_docked_at_drag_ = false;
  const int pressed = skin_.main_pressed_index;
  if (pressed < 0) {
    EndValueChange();
    return;
  }
  const bool inside = pressed_inside_;
  if (pressed < kChannelButtonCount && inside) NumLabel(pressed).move(NumLabel(pressed).pos() - QPoint(2, 2));
  if ((pressed == kAddVolume || pressed == kDecVolume) && tmrDelay_) tmrDelay_->Stop();
  skin_.main_pressed_index = -1;
  pressed_inside_ = false;
  update();
  if (inside) PerformButton(pressed);
  if (pressed == kAddVolume || pressed == kDecVolume) EndValueChange();
}

void TfrmMain::EndValueChange() {
  value_shown_by_click_ = false;
  if (volume_text_timer_) volume_text_timer_->Stop();
  HideVolumeText();
}

void TfrmMain::mouseDoubleClickEvent(QMouseEvent* event) {
  // A double click on the face is a second press for the buttons.
  mousePressEvent(event);
}

void TfrmMain::PerformButton(int index) {
  if (index < kChannelButtonCount) {
    emit channelClicked(index);
    return;
  }
  const auto* command = std::find_if(std::begin(kButtonCommands), std::end(kButtonCommands),
                                     [index](const ButtonCommand& c) { return c.button == index; });
  if (command == std::end(kButtonCommands)) return;  // bMulti only shows its pressed look
  if (command->run) {
    command->run(*this);
  } else if (QAction* action = Action(command->action); action && action->isEnabled()) {
    action->trigger();
  }
}

void TfrmMain::UpdateHint(const QPoint& p) {
  QString hint;
  const SkinIni& ini = skin_.Ini();
  const std::pair<const BarState*, int> bar_hints[] = {
      {&bars_[0], kVolumeBarHintSlot}, {&bars_[1], kBalanceBarHintSlot}, {&bars_[2], kProgressBarHintSlot}};
  for (const auto& [bar, slot] : bar_hints) {
    if (bar->geometry.Length() > 0 && bar->geometry.Contains(p.x(), p.y())) {
      hint = FromGb(Msg(slot));
      break;
    }
  }
  for (int i = 0; hint.isEmpty() && i < kMainButtonCount - 1; ++i) {
    if (!Inside(ini.main_buttons[static_cast<std::size_t>(i)], p)) continue;
    if (i < kChannelButtonCount) {
      if (!hint_state_.music_mode) hint = FromGb(channels_[static_cast<std::size_t>(i)].hint);
    } else {
      hint_state_.muted = Muted();
      const int slot = MainButtonHintSlot(i, hint_state_);
      if (slot == kExitHintSlot || slot == kAboutHintSlot) {
        hint = FromGb(FormatSlot(Msg(slot), ToGb(windowTitle())));
      } else if (slot >= 0) {
        hint = FromGb(Msg(slot));
      }
    }
  }
  if (hint == hint_) return;
  hint_ = hint;
  if (hint.isEmpty()) {
    QToolTip::hideText();
  } else {
    QToolTip::showText(mapToGlobal(p) + QPoint(0, 16), hint, this);
  }
}

bool TfrmMain::PlayListDocked() const {
  if (!playlist_window_ || !playlist_window_->isVisible()) return false;
  const QRect m = frameGeometry();
  const QRect l = playlist_window_->frameGeometry();
  return IsPlayListDocked({m.left(), m.top(), m.left() + m.width(), m.top() + m.height()},
                          {l.left(), l.top(), l.left() + l.width(), l.top() + l.height()});
}

void TfrmMain::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (playlist_docked_at_drag_ && playlist_window_)
    playlist_window_->move(playlist_window_->pos() + event->pos() - event->oldPos());
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || widget->parent() != this) return false;
  switch (event->type()) {
    case QEvent::MouseButtonDblClick:
      if (watched == slblRadioName_) {
        // Auto-scroll off shows the whole text cut with an ellipsis.
        const bool scroll_auto = !slblRadioName_->ScrollAuto();
        slblRadioName_->SetScrollAuto(scroll_auto);
        slblRadioName_->SetEllipses(!scroll_auto);
        return true;
      }
      if (watched == dpClock_) {
        if (QAction* clock = Action("nTalkingClock"); clock->isEnabled()) clock->trigger();
        return true;
      }
      [[fallthrough]];
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove: {
      // Labels lie on the face: the pointer acts on what is below them.
      auto* mouse = static_cast<QMouseEvent*>(event);
      QMouseEvent forwarded(mouse->type() == QEvent::MouseButtonDblClick ? QEvent::MouseButtonPress : mouse->type(),
                            widget->mapToParent(mouse->position()), mouse->globalPosition(), mouse->button(),
                            mouse->buttons(), mouse->modifiers());
      QApplication::sendEvent(this, &forwarded);
      return true;
    }
    default:
      return false;
  }
}

void TfrmMain::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!screen_watched_ && windowHandle()) {
    screen_watched_ = true;
    connect(windowHandle(), &QWindow::screenChanged, this, &TfrmMain::ScreenChanged);
    // The skin was loaded before the window had a screen of its own.
    ScreenChanged();
  }
}

void TfrmMain::ScreenChanged() {
  const int ratio = devicePixelRatioF() > 1.25 ? 2 : 1;
  if (!skin_usable_ || ratio == skin_.PixelRatio()) return;
  std::string name = skin_name_;
  ChooseSkin(skins_root_, name);
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  // The owner decides when the window goes; closing only asks.
  event->ignore();
  emit closeRequested();
}

}  // namespace tazmel
