#include "core/messages.h"

#include <algorithm>

#include "core/file_utils.h"
#include "core/ini_file.h"
#include "core/text_utils.h"

namespace tazmel {
namespace {

constexpr std::string_view kEnglish[] = {
#include "core/message_defaults.inc"
};
static_assert(std::size(kEnglish) == MessageSlots::kCount);

// A language code names a file and a data folder, so it must stay a plain
// name: letters, digits, "_" and "-".
bool IsPlainCode(std::string_view code) {
  return !code.empty() && code.size() <= 32 && std::all_of(code.begin(), code.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
  });
}

}  // namespace

MessageSlots::MessageSlots() {
  for (int i = 0; i < kCount; ++i) texts_[i] = std::string(kEnglish[i]);
}

const std::string& MessageSlots::Text(int slot) const {
  static const std::string kEmpty;
  return slot >= 1 && slot <= kCount ? texts_[slot - 1] : kEmpty;
}

void MessageSlots::SetText(int slot, std::string text) {
  if (slot >= 1 && slot <= kCount) texts_[slot - 1] = std::move(text);
}

std::string_view MessageSlots::EnglishDefault(int slot) {
  return slot >= 1 && slot <= kCount ? kEnglish[slot - 1] : std::string_view();
}

bool MessageSlots::Load(const std::filesystem::path& language_file) {
  IniFile ini;
  switch (ini.Load(language_file)) {
    case IniFile::LoadStatus::kMissing:
      return true;
    case IniFile::LoadStatus::kUnreadable:
      return false;
    case IniFile::LoadStatus::kLoaded:
      Load(ini);
      return true;
  }
  return false;
}

void MessageSlots::Load(const IniFile& ini) {
  for (int slot = 1; slot <= kCount; ++slot) {
    std::string text = ini.ReadString("Strings", std::to_string(slot));
    if (!text.empty()) texts_[slot - 1] = std::move(text);
  }
}

MessageSlots& Messages() {
  static MessageSlots slots;
  return slots;
}

std::string ChooseLanguage(std::string_view cur_lng, int system_language_id) {
  if (IsPlainCode(cur_lng)) return std::string(cur_lng);
  switch (system_language_id) {
    case 1028:
    case 3076:
    case 4100:
    case 5124:
      return "cht";
    case 2052:
      return "chs";
    default:
      return "eng";
  }
}

std::vector<LanguageChoice> ListLanguages(const std::filesystem::path& language_folder) {
  std::vector<LanguageChoice> choices;
  std::vector<std::filesystem::path> files;
  ListFiles(language_folder, files);
  for (const std::filesystem::path& file : files) {
    if (AsciiLowerCopy(file.extension().string()) != ".ini") continue;
    IniFile ini;
    if (ini.Load(file) != IniFile::LoadStatus::kLoaded) continue;
    std::string name = ini.ReadString("Info", "Language");
    if (!name.empty()) choices.push_back({file.stem().string(), std::move(name)});
  }
  std::sort(choices.begin(), choices.end(),
            [](const LanguageChoice& a, const LanguageChoice& b) { return a.code < b.code; });
  return choices;
}

}  // namespace tazmel
