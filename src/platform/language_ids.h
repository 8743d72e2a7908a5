#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tazmel {

// Windows language identifiers stand for languages in the settings and
// language menus; on Linux they are derived from the locale.
struct LanguageInfo {
  std::uint16_t id;
  std::string_view locale;  // glibc locale name, "zh_CN"
  std::string_view name;    // "Language (Country)"
};

inline constexpr int kLangEnglishUs = 0x0409;

// The 106 identifiers offered in the station editor's language field, in
// their fixed order (two appear twice).
std::span<const LanguageInfo> OfferedLanguages();

// Maps a POSIX locale ("zh_HK.UTF-8", "de_AT@euro", "C") to an identifier:
// language and country first, then the first entry of the language, else
// English (United States).
int LanguageIdFromLocale(std::string_view locale);

// The locale of user-interface messages: LC_ALL, LC_MESSAGES, then LANG.
std::string MessagesLocale();
int SystemDefaultLanguageId();

// "Chinese (PRC)" for 0x0804; empty for an unknown identifier.
std::string_view LanguageName(int id);

// The station editor's language list: the user default language's name cut
// before "(" (the blank before it stays), then every offered identifier's
// name cut the same way unless the list already holds exactly that text.
std::vector<std::string> LanguageNames(int user_default_id);

}  // namespace tazmel
