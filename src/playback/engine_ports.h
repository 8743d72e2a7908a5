#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tazmel {

// What the play button shows.
enum class TransportState { kStopped, kBusy, kPlaying, kPaused };

// The main window's side of the engine: labels, sliders, tray icon. Texts
// are in the data code page. Every call is synchronous, on the UI thread.
class EngineView {
 public:
  virtual ~EngineView() = default;
  virtual void ShowState(std::string_view text) = 0;    // slblState
  virtual void ShowSpeed(std::string_view text) = 0;    // slblSpeed, "" clears
  virtual void ShowElapsed(std::string_view text) = 0;  // dpElapsed and slblElapsed
  virtual void ShowProgress(double fraction) = 0;       // 0..1
  virtual void SetTransport(TransportState state) = 0;
  virtual void SetTrayAnimation(bool on, int interval_ms) = 0;
  // slblRadioName with its hint; the tray hint and the video window's title
  // follow it.
  virtual void ShowTitle(std::string_view title, std::string_view hint) = 0;
  virtual void ShowVideo(bool show) = 0;
  virtual void SetWaitCursor(bool wait) = 0;
};

// Plays the engine's short prompt sounds.
class SoundOutput {
 public:
  virtual ~SoundOutput() = default;
  // Both do nothing for a missing file and stop what is playing first.
  virtual void PlayOnce(const std::filesystem::path& file) = 0;
  virtual void PlayLooped(const std::filesystem::path& file) = 0;
  virtual void StopSound() = 0;
  virtual bool SoundPlaying() const = 0;
};

// The playlist window's and the music list's answers to Next and Previous.
class PlaylistNavigator {
 public:
  virtual ~PlaylistNavigator() = default;
  // A station ID, -1 after the music list's selection moved, 0 for none.
  // `source` -1 always advances the music list.
  virtual int NextEntry(int source) = 0;
  virtual int PreviousEntry(int source) = 0;
  // The music list's current entry (a file name or address), "" if none.
  virtual std::string CurrentMusicEntry() = 0;
};

// The update service's pending listening report.
class ListeningReports {
 public:
  virtual ~ListeningReports() = default;
  // Replaces any report not sent yet.
  virtual void SetPendingReport(std::string text) = 0;
  // Sends what is pending without waiting for the next pass.
  virtual void WakeUp() = 0;
};

}  // namespace tazmel
