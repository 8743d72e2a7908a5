#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tazmel {

class IniFile;

// The numbered user-interface texts the program composes itself. Each slot
// starts with its English text; loading a language file replaces a slot only
// with a non-empty text, so a switch keeps what the new file lacks. Texts are
// bytes in the data code page, like the language files.
class MessageSlots {
 public:
  static constexpr int kCount = 150;

  MessageSlots();

  // Slot text, 1-based; empty for a number outside 1..kCount.
  const std::string& Text(int slot) const;
  void SetText(int slot, std::string text);
  static std::string_view EnglishDefault(int slot);

  // Reads keys "1".."150" of section Strings. A missing file changes nothing
  // and succeeds; an unreadable one changes nothing and fails.
  bool Load(const std::filesystem::path& language_file);
  void Load(const IniFile& language);

 private:
  std::array<std::string, kCount> texts_;
};

// The process-wide slots every window and subsystem reads.
MessageSlots& Messages();
inline const std::string& Msg(int slot) { return Messages().Text(slot); }

// The language code: `cur_lng` when set, else from the system default
// language ID (1028, 3076, 4100, 5124 -> "cht"; 2052 -> "chs"; else "eng").
// A `cur_lng` that is not a plain name (say "../x") counts as not set.
std::string ChooseLanguage(std::string_view cur_lng, int system_language_id);

}  // namespace tazmel

namespace tazmel {

// A language the language menu offers: a Language/<code>.ini that names
// itself in key Language of section Info.
struct LanguageChoice {
  std::string code;  // file name without ".ini"
  std::string name;  // data code page
};
std::vector<LanguageChoice> ListLanguages(const std::filesystem::path& language_folder);

}  // namespace tazmel
