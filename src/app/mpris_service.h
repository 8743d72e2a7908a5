#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>
#include <string_view>

namespace tazmel {

// What the desktop's media widgets and keys may ask the player to do; the
// application answers through the main window's own commands.
class MprisPlayerPort {
 public:
  virtual ~MprisPlayerPort() = default;
  virtual void PlayPause() = 0;
  virtual void Play() = 0;
  virtual void Pause() = 0;
  virtual void Stop() = 0;
  virtual void Next() = 0;
  virtual void Previous() = 0;
  virtual void SetVolume(int percent) = 0;  // 0..100
  // Seeking, in microseconds of the clip; only asked for while CanSeek.
  virtual long long PositionUs() const = 0;
  virtual void SeekToUs(long long position_us) = 0;
  virtual void Raise() = 0;
  virtual void Quit() = 0;
};

// Everything the player interface reports, as one value: an update emits
// PropertiesChanged for exactly the members that changed.
struct MprisState {
  QString playback_status = QStringLiteral("Stopped");  // "Playing", "Paused", "Stopped"
  QString track_id = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");
  QString title;
  QString artist;  // "" when the title names none
  QString album;   // the station
  QString art_url;
  long long length_us = 0;  // 0 for a live stream
  double volume = 0.8;      // 0..1
  bool can_go_next = true;
  bool can_go_previous = true;
  bool can_play = true;
  bool can_pause = false;
  bool can_seek = false;

  bool operator==(const MprisState&) const = default;
};

// "Artist - Title" as a station's song text names it; the whole text is the
// title when it does not read that way.
struct ArtistTitle {
  std::string artist;
  std::string title;
  bool operator==(const ArtistTitle&) const = default;
};
ArtistTitle SplitArtistTitle(std::string_view text);

inline constexpr char kMprisServiceName[] = "org.mpris.MediaPlayer2.tazmel";
inline constexpr char kMprisObjectPath[] = "/org/mpris/MediaPlayer2";

// The program on the session bus as an MPRIS media player: the root and
// Player interfaces at /org/mpris/MediaPlayer2.
class MprisService : public QObject {
  Q_OBJECT

 public:
  // nullptr when there is no session bus or the object cannot be placed on
  // it; the program then runs without. A second instance takes the name
  // with ".instance<pid>" after it, as media players do.
  static std::unique_ptr<MprisService> Register(MprisPlayerPort& port,
                                                QDBusConnection bus = QDBusConnection::sessionBus());
  ~MprisService() override;

  void Update(const MprisState& state);
  const MprisState& State() const { return state_; }
  const QString& ServiceName() const { return service_name_; }
  MprisPlayerPort& Port() { return port_; }

  // Read by the adaptors.
  QVariantMap Metadata() const;

 private:
  MprisService(MprisPlayerPort& port, QDBusConnection bus);
  void EmitChanged(const QString& interface_name, const QVariantMap& changed);

  MprisPlayerPort& port_;
  QDBusConnection bus_;
  QString service_name_;
  MprisState state_;
};

}  // namespace tazmel
