#pragma once

namespace tazmel {

// The message slots the windows show by number (the language file's
// [Strings] keys); the hints of the skin buttons come from face_geometry.
inline constexpr int kQuestionCaptionSlot = 1;     // "Question"
inline constexpr int kInformationCaptionSlot = 2;  // "Information"
inline constexpr int kExitHintSlot = 7;            // "Exit %s"
inline constexpr int kAboutHintSlot = 22;          // "About %s"
inline constexpr int kMoreSkinsSlot = 23;          // "<< Get more skins! >>"
inline constexpr int kVolumeBarHintSlot = 43;      // "Volume Tune"
inline constexpr int kBalanceBarHintSlot = 44;     // "Trcack Equation Tune"
inline constexpr int kProgressBarHintSlot = 45;    // "Play Guage"

}  // namespace tazmel
