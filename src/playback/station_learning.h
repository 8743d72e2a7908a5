#pragma once

// What the engine learns about the stations it plays and writes back to the
// user's table: the kind a download revealed, how quickly a station starts,
// its rate and its language; a station that fails is marked bad.

#include <functional>
#include <string>

#include "playback/control_driver.h"
#include "playback/media_kind.h"
#include "playback/play_source.h"
#include "stations/radio_table.h"

namespace tazmel {

class ProgramPaths;

// "4" up to 9 seconds, "2" from 30 seconds, "3" in between.
std::string ValidityFromSeconds(long long seconds);

class StationLearning {
 public:
  explicit StationLearning(const ProgramPaths& paths) : paths_(paths) {}

  // The station's record; an empty one when the tables do not hold it.
  StationRecord Load(int id);

  // Applies `change` to `record` (rblData) and, for a user station, to its
  // stored record, which is written back when it changed.
  void Update(PlaySource source, StationRecord& record, const std::function<void(StationRecord&)>& change);

  // The kind a download revealed, stored as the station's format.
  void LearnKind(PlaySource source, StationRecord& record, MediaKind kind);
  // Every address failed: the station is graded bad.
  void MarkBad(PlaySource source, StationRecord& record);

  struct StartFacts {
    long long seconds = 0;  // from the attempt to playing
    std::string bandwidth;  // "128K", "" while unknown
    int audio_language = -1;
    int user_language = 0x0409;
  };
  // A user station that started playing: its grade, and the rate, language
  // and country it lacked.
  void LearnStart(PlaySource source, StationRecord& record, const StartFacts& facts);

 private:
  const ProgramPaths& paths_;
  TRadioTable table_;
};

// A typed address that plays takes its name, home page and copyright from
// the stream's tags.
void FillFromStream(StationRecord& record, const StreamInfo& info, const std::string& bandwidth);

}  // namespace tazmel
