#pragma once

namespace tazmel {

// What the main window may ask of the player and the value changes it sends
// while a bar or a volume button is worked. Every other command leaves the
// window as a named menu action or a signal, taken by its controller.
class MainWindowPort {
 public:
  virtual ~MainWindowPort() = default;
  virtual int Volume() const = 0;
  virtual void SetVolume(int volume) = 0;
  virtual int Balance() const = 0;
  virtual void SetBalance(int balance) = 0;
  virtual bool Muted() const = 0;
  virtual bool CanSeek() const = 0;
  // The progress knob is held: the player stops placing it.
  virtual void BeginSeek() = 0;
  virtual void SeekTo(double fraction) = 0;
  // The player places the progress knob anew (a skin just loaded).
  virtual void RefreshProgress() = 0;
};

}  // namespace tazmel
