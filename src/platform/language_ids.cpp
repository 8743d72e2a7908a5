#include "platform/language_ids.h"

#include <algorithm>
#include <cstdlib>

namespace tazmel {
namespace {

constexpr LanguageInfo kOffered[] = {
#include "platform/language_table.inc"
};

// Locales the system may report that the offered list lacks.
constexpr LanguageInfo kExtra[] = {
    {0x1404, "zh_MO", "Chinese (Macau S.A.R.)"},
};

const LanguageInfo* Find(auto&& pred) {
  for (const LanguageInfo& info : kOffered) {
    if (pred(info)) return &info;
  }
  for (const LanguageInfo& info : kExtra) {
    if (pred(info)) return &info;
  }
  return nullptr;
}

std::string CutAtParen(std::string_view name) { return std::string(name.substr(0, name.find('('))); }

}  // namespace

std::span<const LanguageInfo> OfferedLanguages() { return kOffered; }

int LanguageIdFromLocale(std::string_view locale) {
  // "ll_CC.codeset@modifier": the modifier matters only for sr_RS@latin.
  std::string_view modifier;
  if (std::size_t at = locale.find('@'); at != locale.npos) {
    modifier = locale.substr(at);
    locale = locale.substr(0, at);
  }
  locale = locale.substr(0, locale.find('.'));
  const std::string with_modifier = std::string(locale) + std::string(modifier);
  if (const LanguageInfo* exact = Find([&](const LanguageInfo& i) { return i.locale == with_modifier; })) {
    return exact->id;
  }
  if (const LanguageInfo* exact = Find([&](const LanguageInfo& i) { return i.locale == locale; })) {
    return exact->id;
  }
  const std::string_view language = locale.substr(0, locale.find('_'));
  // Chinese without a known region is taken as simplified, not as the
  // table's first Chinese entry (Taiwan).
  if (language == "zh") return 0x0804;
  if (language.size() >= 2) {
    if (const LanguageInfo* first =
            Find([&](const LanguageInfo& i) { return i.locale.substr(0, i.locale.find('_')) == language; })) {
      return first->id;
    }
  }
  return kLangEnglishUs;
}

std::string MessagesLocale() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) return value;
  }
  return {};
}

int SystemDefaultLanguageId() { return LanguageIdFromLocale(MessagesLocale()); }

std::string_view LanguageName(int id) {
  const LanguageInfo* info = Find([&](const LanguageInfo& i) { return i.id == id; });
  return info ? info->name : std::string_view();
}

std::vector<std::string> LanguageNames(int user_default_id) {
  std::vector<std::string> names;
  if (std::string own = CutAtParen(LanguageName(user_default_id)); !own.empty()) names.push_back(std::move(own));
  for (const LanguageInfo& info : kOffered) {
    std::string name = CutAtParen(info.name);
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(std::move(name));
  }
  return names;
}

}  // namespace tazmel
