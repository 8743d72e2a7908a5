#pragma once

namespace tazmel {

// What a play request plays: a station of the directory, the addresses the
// user typed or dropped, or the music list. Settings keep it as one number
// (CurPlayID: the station ID, 0 typed addresses, -1 the music list); only
// that edge converts.
class PlaySource {
 public:
  enum class Type { kTyped, kStation, kMusicList };

  constexpr PlaySource() = default;
  static constexpr PlaySource Typed() { return {}; }
  static constexpr PlaySource MusicList() { return PlaySource(Type::kMusicList, 0); }
  static constexpr PlaySource Station(int id) { return PlaySource(Type::kStation, id); }
  // A CurPlayID number; anything below 0 is the music list.
  static constexpr PlaySource FromSettingsId(int id) { return id > 0 ? Station(id) : id < 0 ? MusicList() : Typed(); }

  constexpr Type type() const { return type_; }
  constexpr bool IsStation() const { return type_ == Type::kStation; }
  constexpr bool IsTyped() const { return type_ == Type::kTyped; }
  constexpr bool IsMusicList() const { return type_ == Type::kMusicList; }
  // The station ID; 0 for the other sources.
  constexpr int StationId() const { return station_id_; }
  constexpr int SettingsId() const { return IsStation() ? station_id_ : IsMusicList() ? -1 : 0; }

  constexpr bool operator==(const PlaySource&) const = default;

 private:
  constexpr PlaySource(Type type, int id) : type_(type), station_id_(id) {}

  Type type_ = Type::kTyped;
  int station_id_ = 0;
};

}  // namespace tazmel
