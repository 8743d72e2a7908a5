#include "app/mpris_service.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QVariantMap>
#include <algorithm>
#include <cmath>

#include "app/mpris_adaptors.h"

namespace tazmel {
namespace {

constexpr char kPlayerInterface[] = "org.mpris.MediaPlayer2.Player";

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

}  // namespace

ArtistTitle SplitArtistTitle(std::string_view text) {
  text = Trimmed(text);
  const std::size_t dash = text.find(" - ");
  if (dash != std::string_view::npos) {
    const std::string_view artist = Trimmed(text.substr(0, dash));
    const std::string_view title = Trimmed(text.substr(dash + 3));
    if (!artist.empty() && !title.empty()) return {std::string(artist), std::string(title)};
  }
  return {{}, std::string(text)};
}

// ---------------------------------------------------------------------------
// The service.

std::unique_ptr<MprisService> MprisService::Register(MprisPlayerPort& port, QDBusConnection bus) {
  if (!bus.isConnected()) return nullptr;
  std::unique_ptr<MprisService> service(new MprisService(port, bus));
  if (!bus.registerObject(QString::fromLatin1(kMprisObjectPath), service.get(), QDBusConnection::ExportAdaptors)) {
    return nullptr;
  }
  QString name = QString::fromLatin1(kMprisServiceName);
  if (!bus.registerService(name)) {
    name += QStringLiteral(".instance") + QString::number(QCoreApplication::applicationPid());
    if (!bus.registerService(name)) {
      bus.unregisterObject(QString::fromLatin1(kMprisObjectPath));
      return nullptr;
    }
  }
  service->service_name_ = name;
  return service;
}

MprisService::MprisService(MprisPlayerPort& port, QDBusConnection bus) : port_(port), bus_(std::move(bus)) {
  new MprisRootAdaptor(this);
  new MprisPlayerAdaptor(this);
}

MprisService::~MprisService() {
  if (!service_name_.isEmpty()) bus_.unregisterService(service_name_);
  bus_.unregisterObject(QString::fromLatin1(kMprisObjectPath));
}

QVariantMap MprisService::Metadata() const {
  QVariantMap map;
  map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(state_.track_id)));
  if (!state_.title.isEmpty()) map.insert(QStringLiteral("xesam:title"), state_.title);
  if (!state_.artist.isEmpty()) map.insert(QStringLiteral("xesam:artist"), QStringList{state_.artist});
  if (!state_.album.isEmpty()) map.insert(QStringLiteral("xesam:album"), state_.album);
  if (!state_.art_url.isEmpty()) map.insert(QStringLiteral("mpris:artUrl"), state_.art_url);
  if (state_.length_us > 0) map.insert(QStringLiteral("mpris:length"), static_cast<qlonglong>(state_.length_us));
  return map;
}

// One signal per update with every property that changed; none when
// nothing did.
void MprisService::Update(const MprisState& state) {
  const MprisState old = std::exchange(state_, state);
  QVariantMap changed;
  if (state.playback_status != old.playback_status) {
    changed.insert(QStringLiteral("PlaybackStatus"), state.playback_status);
  }
  if (state.track_id != old.track_id || state.title != old.title || state.artist != old.artist ||
      state.album != old.album || state.art_url != old.art_url || state.length_us != old.length_us) {
    changed.insert(QStringLiteral("Metadata"), Metadata());
  }
  if (state.volume != old.volume) changed.insert(QStringLiteral("Volume"), state.volume);
  if (state.can_go_next != old.can_go_next) changed.insert(QStringLiteral("CanGoNext"), state.can_go_next);
  if (state.can_go_previous != old.can_go_previous) {
    changed.insert(QStringLiteral("CanGoPrevious"), state.can_go_previous);
  }
  if (state.can_play != old.can_play) changed.insert(QStringLiteral("CanPlay"), state.can_play);
  if (state.can_pause != old.can_pause) changed.insert(QStringLiteral("CanPause"), state.can_pause);
  if (state.can_seek != old.can_seek) changed.insert(QStringLiteral("CanSeek"), state.can_seek);
  if (!changed.isEmpty()) EmitChanged(QString::fromLatin1(kPlayerInterface), changed);
}

void MprisService::EmitChanged(const QString& interface_name, const QVariantMap& changed) {
  QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kMprisObjectPath),
                                                   QStringLiteral("org.freedesktop.DBus.Properties"),
                                                   QStringLiteral("PropertiesChanged"));
  signal << interface_name << changed << QStringList();
  bus_.send(signal);
}

// ---------------------------------------------------------------------------
// The adaptors.

MprisRootAdaptor::MprisRootAdaptor(MprisService* service) : QDBusAbstractAdaptor(service), service_(service) {}
void MprisRootAdaptor::Raise() { service_->Port().Raise(); }
void MprisRootAdaptor::Quit() { service_->Port().Quit(); }

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService* service) : QDBusAbstractAdaptor(service), service_(service) {}

QString MprisPlayerAdaptor::PlaybackStatus() const { return service_->State().playback_status; }
QVariantMap MprisPlayerAdaptor::Metadata() const { return service_->Metadata(); }
double MprisPlayerAdaptor::Volume() const { return service_->State().volume; }
bool MprisPlayerAdaptor::CanGoNext() const { return service_->State().can_go_next; }
bool MprisPlayerAdaptor::CanGoPrevious() const { return service_->State().can_go_previous; }
bool MprisPlayerAdaptor::CanPlay() const { return service_->State().can_play; }
bool MprisPlayerAdaptor::CanPause() const { return service_->State().can_pause; }
bool MprisPlayerAdaptor::CanSeek() const { return service_->State().can_seek; }

void MprisPlayerAdaptor::SetVolume(double volume) {
  if (!std::isfinite(volume)) return;
  service_->Port().SetVolume(static_cast<int>(std::lround(std::clamp(volume, 0.0, 1.0) * 100)));
}

qlonglong MprisPlayerAdaptor::Position() const {
  return service_->State().can_seek ? service_->Port().PositionUs() : 0;
}

void MprisPlayerAdaptor::Next() {
  if (CanGoNext()) service_->Port().Next();
}
void MprisPlayerAdaptor::Previous() {
  if (CanGoPrevious()) service_->Port().Previous();
}
void MprisPlayerAdaptor::Pause() {
  if (CanPause()) service_->Port().Pause();
}
void MprisPlayerAdaptor::PlayPause() { service_->Port().PlayPause(); }
void MprisPlayerAdaptor::Stop() { service_->Port().Stop(); }
void MprisPlayerAdaptor::Play() {
  if (CanPlay()) service_->Port().Play();
}

void MprisPlayerAdaptor::Seek(qlonglong offset_us) {
  if (!CanSeek()) return;
  const long long length = service_->State().length_us;
  const long long target = std::clamp(service_->Port().PositionUs() + offset_us, 0LL, std::max(length, 0LL));
  service_->Port().SeekToUs(target);
  emit Seeked(target);
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath& track_id, qlonglong position_us) {
  const MprisState& state = service_->State();
  // A position for a track that has meanwhile gone is ignored.
  if (!CanSeek() || track_id.path() != state.track_id || position_us < 0 || position_us > state.length_us) return;
  service_->Port().SeekToUs(position_us);
  emit Seeked(position_us);
}

void MprisPlayerAdaptor::OpenUri(const QString&) {}  // no URI schemes are offered

}  // namespace tazmel
