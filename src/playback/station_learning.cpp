#include "playback/station_learning.h"

#include "platform/language_ids.h"

namespace tazmel {

std::string ValidityFromSeconds(long long seconds) {
  if (seconds <= 9) return "4";
  if (seconds >= 30) return "2";
  return "3";
}

StationRecord StationLearning::Load(int id) {
  table_.ClearFields();
  if (table_.OpenFor(id, paths_)) table_.LoadByID(id);
  table_.Close();
  return table_.Fields();
}

void StationLearning::Update(PlaySource source, StationRecord& record,
                             const std::function<void(StationRecord&)>& change) {
  change(record);
  const int id = source.StationId();
  if (!source.IsStation() || !IsUserStationID(id)) return;
  // Only the learnt fields change: the rest of the stored record stays as
  // the table holds it, whatever rblData shows meanwhile.
  table_.ClearFields();
  if (table_.OpenFor(id, paths_) && table_.LoadByID(id)) {
    const StationRecord before = table_.Fields();
    change(table_.Fields());
    if (table_.Fields() != before) table_.SaveByID(id);
  }
  table_.Close();
}

void StationLearning::LearnKind(PlaySource source, StationRecord& record, MediaKind kind) {
  // Stations store the family; which Windows Media control plays it is the
  // player choice's business.
  const MediaKind family = kind == MediaKind::kWmp6 || kind == MediaKind::kWmp9 ? MediaKind::kWindowsMedia : kind;
  const std::string stored(1, MediaKindDigit(family));
  if (record.VFormat != stored) Update(source, record, [&stored](StationRecord& r) { r.VFormat = stored; });
}

void StationLearning::MarkBad(PlaySource source, StationRecord& record) {
  if (source.IsStation() && IsUserStationID(source.StationId())) {
    const std::string bad = "1";
    Update(source, record, [&bad](StationRecord& r) { r.VValidity = bad; });
  }
}

void StationLearning::LearnStart(PlaySource source, StationRecord& record, const StartFacts& facts) {
  if (!source.IsStation() || !IsUserStationID(source.StationId())) return;
  const std::string grade = ValidityFromSeconds(facts.seconds);
  std::string language;
  std::string country;
  bool has_country = false;
  if (facts.audio_language > 0 && facts.audio_language != facts.user_language) {
    const std::string name(LanguageName(facts.audio_language));
    const std::size_t open = name.find('(');
    if (open == std::string::npos) {
      language = name;
    } else {
      // "Chinese (Taiwan)": the language keeps its blank, the country loses
      // the closing bracket.
      language = name.substr(0, open);
      if (name.size() >= open + 2) country = name.substr(open + 1, name.size() - open - 2);
      has_country = true;
    }
  }
  Update(source, record, [&](StationRecord& r) {
    r.VValidity = grade;
    if (!facts.bandwidth.empty() && r.VSpeed.empty()) r.VSpeed = facts.bandwidth;
    if (r.VLanguage.empty()) r.VLanguage = language;
    if (has_country && r.VCountry.empty()) r.VCountry = country;
  });
}

void FillFromStream(StationRecord& record, const StreamInfo& info, const std::string& bandwidth) {
  if (!info.title.empty()) record.VRadioName = info.title;
  if (!info.genre.empty()) record.VGenre = info.genre;
  record.VSpeed = bandwidth;
  record.VHomepage = info.homepage;
  record.VSchedule = info.copyright;
}

}  // namespace tazmel
