#pragma once

#include <filesystem>

namespace tazmel {

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

}  // namespace tazmel
