#pragma once

#include <array>
#include <string>
#include <vector>

#include "music/id3_tag.h"
#include "music/mpeg_info.h"

namespace tazmel {

// What the file information dialog shows and edits for one file: both
// tags with their check states, and the MPEG information lines.
struct TagForm {
  bool v1_on = false;
  std::array<std::string, TID3Tag::kV1FieldCount> v1{};
  bool v2_on = false;
  std::array<std::string, TID3Tag::kV2FieldCount> v2{};
};

// The dialog's logic without its widgets: reading a file into the form,
// writing the form back, the information lines from the message slots.
class FileInfoEditor {
 public:
  // Reads the tags of `path` into the form when the file exists (else the
  // form stays as it was) and the MPEG information in every case.
  void Load(const std::string& path);
  const TagForm& Form() const { return form_; }
  const TMPEGData& Mpeg() const { return mpeg_; }
  // The nine information lines in the current language.
  std::vector<std::string> InfoLines() const;

  // A tag is removed only when the user switched its box off after the
  // file was read, never because reading it failed.
  void UserSwitchedV1(bool on);
  void UserSwitchedV2(bool on);

  // Writes the form into the file last read: ID3v1 first, then ID3v2.
  // A box that is on writes its fields (when they changed); one the user
  // switched off removes its tag.
  void Modify(const TagForm& form);

  const TID3Tag& Tag() const { return tag_; }

 private:
  TID3Tag tag_;
  TagForm form_;
  TMPEGData mpeg_;
  bool v1_removed_by_user_ = false;
  bool v2_removed_by_user_ = false;
};

// A message pattern with its conversions ("%d", "%s", with flags or a
// width) filled from `values` in order; "%%" is "%".
std::string FillSlot(std::string_view pattern, const std::vector<std::string>& values);

}  // namespace tazmel
