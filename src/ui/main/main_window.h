#pragma once

#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/messages.h"
#include "skin/face_geometry.h"
#include "stations/channels.h"
#include "stations/tree_editor.h"
#include "ui/skins/skin_state.h"

class QLabel;
class QMenu;
class QTimer;

namespace tazmel {

class Dispatcher;
struct EngineViewState;
class MainWindowPort;
class TDigitsPanel;
class Timer;
class TDropURLFilesTarget;
class TFaceKnob;
class TrayIcon;
class TScrollLabel;

// The small skinned window that controls playback. It draws the face, the
// knobs, the labels and the digit displays from the skin, turns pointer
// input on the face into commands, and owns the main menu, the station menu
// and the tray icon. Commands that reach other subsystems are the named
// menu actions (`nPlay`, `nMute`, ...) and the signals below; the owner
// connects them. Volume, balance and seeking go through the port it is
// handed; it never sees the engine.
class TfrmMain : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmMain(QWidget* parent = nullptr);
  ~TfrmMain() override;

  // What the bars, the volume buttons and the mute look act on; null leaves
  // them without effect.
  void SetControls(MainWindowPort* controls);
  // The held volume button repeats on this dispatcher's timers; without
  // one it steps once per click.
  void SetDispatcher(Dispatcher& dispatcher);

  // Loads `name` from `skins_root`, or Default when that fails, and applies
  // it. `name` becomes the skin now in use; false when no skin loaded.
  bool ChooseSkin(const std::filesystem::path& skins_root, std::string& name);
  const SkinState& Skin() const { return skin_; }
  // Whether the last choice left a skin to show: after a failed choice the
  // window stays hidden until another skin loads.
  bool SkinLoaded() const { return skin_usable_; }
  // The skin in use (after a fallback, "Default").
  const std::string& SkinName() const { return skin_name_; }

  // The engine calls these through its view.
  void ShowPlayState(int state);  // 0..3 play state, 4/5 mute off/on, 6/7 record on/off
  void SetProgress(double fraction);
  void ShowEngine(const EngineViewState& engine);
  void ShowClock(const QString& text);
  void ShowChannels(const std::array<ChannelLabel, kChannelButtonCount>& channels);
  // Re-places the volume and balance knobs from the engine's values.
  void ShowVolume();

  void SetMusicMode(bool on);
  bool MusicMode() const { return hint_state_.music_mode; }
  void SetRecording(bool on);
  void SetPlayListVisible(bool on);
  // The playlist window, moved along when it is docked; may be null.
  void SetPlayListWindow(QWidget* window) { playlist_window_ = window; }
  QWidget* PlayListWindow() const { return playlist_window_; }

  // Steps the volume by one skin step up (+1) or down (-1) and shows the
  // value; from the menu the value goes again after a moment, as no button
  // up will hide it.
  void StepVolume(int direction);
  // How long a menu or hotkey step leaves its value on show.
  static constexpr int kVolumeTextShowMs = 1000;

  // The station menu's entries, asked for every time it pops up.
  std::function<std::vector<StationMenuItem>()> station_menu_source;
  void PopupStationMenu(const QPoint& global);
  void PopupMainMenu(const QPoint& global);

  QMenu* MainMenu() const { return pmMainMenu_; }
  QMenu* TreeMenu() const { return pmTreeMenu_; }
  QMenu* SkinMenu() const { return nSkin_; }
  QMenu* LanguageMenu() const { return nLanguage_; }
  // A main menu action by its object name (`nPlay`, ...).
  QAction* Action(const char* name) const;
  void FillSkinMenu(const std::vector<std::string>& names, const std::string& current);
  void FillLanguageMenu(const std::vector<LanguageChoice>& languages, const std::string& current);

  TrayIcon& Tray() { return *tray_; }
  TDropURLFilesTarget& DropTarget() { return *dropURLFiles_; }
  QTimer& CheckTimer() { return *tmrCheck_; }

  // For the owner and tests.
  TScrollLabel& RadioNameLabel() { return *slblRadioName_; }
  TScrollLabel& VolumeLabel() { return *slblVolume_; }
  TScrollLabel& StateLabel() { return *slblState_; }
  TScrollLabel& ClockLabel() { return *slblClock_; }
  TDigitsPanel& ClockDigits() { return *dpClock_; }
  TDigitsPanel& ElapsedDigits() { return *dpElapsed_; }
  TFaceKnob& Knob(SkinState::Bar bar);
  QLabel& NumLabel(int index) { return *lblNum_[static_cast<std::size_t>(index)]; }
  int PlayState() const { return play_state_; }
  int PressedButton() const { return skin_.main_pressed_index; }
  QString CurrentHint() const { return hint_; }

 signals:
  // Every way of closing the window ends here; the owner runs the close
  // sequence.
  void closeRequested();
  void channelClicked(int index);
  void channelPageRequested(int direction);  // -1 previous ten, +1 next ten
  void recordClicked();
  void stationChosen(int station_id);
  void skinChosen(const QString& name);
  void moreSkinsRequested();
  void languageChosen(const QString& code);
  // The main menu is about to open: the owner refreshes its dynamic parts.
  void mainMenuOpening();
  void linksDropped();
  // Once, when the face has been painted for the first time.
  void firstPainted();
  // A skin was loaded and laid out on this window: the playlist window
  // takes it from Skin() now.
  void skinApplied();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  struct BarState {
    SkinState::Bar which;
    BarGeometry geometry{{}, 0, 0};
    SkinRect knob{};
  };

  void CreateMenus();
  void CreateControls();
  void ApplySkin();
  void ApplyLabelSkin(TScrollLabel& label, const ScrollLabelSkin& skin);
  void PlaceKnob(BarState& bar);
  void PlaceChannelLabels();
  BarState& BarOf(SkinState::Bar which);
  // Applies what a knob at its current place stands for.
  void ApplyBar(BarState& bar, bool dragging);
  void ShowVolumeText(const QString& text);
  void HideVolumeText();
  void PerformButton(int index);
  // Whatever a click on the face may have shown of the volume ends here.
  void EndValueChange();
  void UpdateHint(const QPoint& pos);
  bool PressedInside() const { return pressed_inside_; }
  void PaintBars(QPainter& painter);
  bool Muted() const;
  bool PlayListDocked() const;

  // A screen of another scale takes the skin again in its pixels.
  void ScreenChanged();

  SkinState skin_;
  bool skin_usable_ = false;
  std::filesystem::path skins_root_;
  std::string skin_name_;
  bool screen_watched_ = false;
  QPixmap face_pixmap_;  // labels and digit displays copy their background from it
  MainWindowPort* controls_ = nullptr;
  QPointer<QWidget> playlist_window_;

  std::array<QLabel*, kChannelButtonCount> lblNum_{};
  std::array<BarState, 3> bars_{BarState{SkinState::Bar::kVolume, {{}, 0, 0}, {}},
                                BarState{SkinState::Bar::kEquation, {{}, 0, 0}, {}},
                                BarState{SkinState::Bar::kProgress, {{}, 0, 0}, {}}};
  std::array<TFaceKnob*, 3> knobs_{};
  TScrollLabel* slblRadioName_ = nullptr;
  TScrollLabel* slblState_ = nullptr;
  TScrollLabel* slblSpeed_ = nullptr;
  TScrollLabel* slblElapsed_ = nullptr;
  TScrollLabel* slblClock_ = nullptr;
  TScrollLabel* slblVolume_ = nullptr;
  TDigitsPanel* dpElapsed_ = nullptr;
  TDigitsPanel* dpClock_ = nullptr;
  QMenu* pmMainMenu_ = nullptr;
  QMenu* pmTreeMenu_ = nullptr;
  QMenu* nSkin_ = nullptr;
  QMenu* nLanguage_ = nullptr;
  QTimer* tmrCheck_ = nullptr;
  // The held volume button's repeat, and the end of a menu step's value.
  std::unique_ptr<Timer> tmrDelay_;
  std::unique_ptr<Timer> volume_text_timer_;
  TDropURLFilesTarget* dropURLFiles_ = nullptr;
  TrayIcon* tray_ = nullptr;

  // Run state.
  bool pressed_inside_ = false;
  bool window_drag_ = false;
  QPoint drag_start_global_;
  QPoint window_start_;
  bool playlist_docked_at_drag_ = false;
  // A bar click or a knob drag shows its value until the button goes up.
  bool value_shown_by_click_ = false;
  QPoint last_pos_;
  int play_state_ = SkinState::kStopped;
  bool recording_ = false;
  MainHintState hint_state_;
  std::array<ChannelLabel, kChannelButtonCount> channels_{};
  QString hint_;
  double progress_ = 0;
  bool painted_ = false;
};

}  // namespace tazmel
