#include "playback/mpv/mpv_language.h"

#include <algorithm>
#include <string>

#include "core/text_utils.h"
#include "platform/language_ids.h"

namespace tazmel {
namespace {

struct CodeAlias {
  std::string_view from;
  std::string_view to;  // ISO 639-1, as locales name the language
};

// Three-letter codes (bibliographic and terminology forms) of the offered
// languages, and two-letter codes the locales spell otherwise.
constexpr CodeAlias kAliases[] = {
    {"afr", "af"}, {"alb", "sq"}, {"sqi", "sq"}, {"ara", "ar"}, {"baq", "eu"}, {"eus", "eu"}, {"bel", "be"},
    {"bul", "bg"}, {"cat", "ca"}, {"chi", "zh"}, {"zho", "zh"}, {"hrv", "hr"}, {"scr", "hr"}, {"cze", "cs"},
    {"ces", "cs"}, {"dan", "da"}, {"dut", "nl"}, {"nld", "nl"}, {"eng", "en"}, {"est", "et"}, {"fao", "fo"},
    {"per", "fa"}, {"fas", "fa"}, {"fin", "fi"}, {"fre", "fr"}, {"fra", "fr"}, {"ger", "de"}, {"deu", "de"},
    {"gre", "el"}, {"ell", "el"}, {"heb", "he"}, {"hun", "hu"}, {"ice", "is"}, {"isl", "is"}, {"ind", "id"},
    {"ita", "it"}, {"jpn", "ja"}, {"kor", "ko"}, {"lav", "lv"}, {"nor", "nb"}, {"nob", "nb"}, {"nno", "nn"},
    {"pol", "pl"}, {"por", "pt"}, {"rum", "ro"}, {"ron", "ro"}, {"rus", "ru"}, {"srp", "sr"}, {"scc", "sr"},
    {"slo", "sk"}, {"slk", "sk"}, {"slv", "sl"}, {"spa", "es"}, {"swe", "sv"}, {"tha", "th"}, {"tur", "tr"},
    {"ukr", "uk"}, {"vie", "vi"}, {"no", "nb"},  {"iw", "he"},  {"in", "id"},
};

std::string_view LanguagePart(std::string_view locale) { return locale.substr(0, locale.find('_')); }

}  // namespace

int LanguageIdFromMediaCode(std::string_view code) {
  // ID3 allows several languages in one frame; the first one counts.
  code = code.substr(0, code.find_first_of(std::string_view("/,;\0", 4)));
  code = TrimControls(code);
  code = code.substr(0, code.find_first_of(" \t\r\n"));
  const std::size_t separator = code.find_first_of("-_");
  std::string language = AsciiLowerCopy(code.substr(0, separator));
  const std::string_view region = separator == code.npos ? std::string_view() : code.substr(separator + 1);
  for (const CodeAlias& alias : kAliases) {
    if (language == alias.from) {
      language = alias.to;
      break;
    }
  }
  if (language.size() != 2) return 0;
  const std::span<const LanguageInfo> offered = OfferedLanguages();
  if (std::none_of(offered.begin(), offered.end(),
                   [&](const LanguageInfo& info) { return LanguagePart(info.locale) == language; })) {
    return 0;
  }
  std::string locale = language;
  if (region.size() == 2) {
    locale += '_';
    for (char c : region) locale += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  }
  // The locale's own mapping: with a region it names, that region's entry;
  // otherwise the language's usual one.
  return LanguageIdFromLocale(locale);
}

}  // namespace tazmel
