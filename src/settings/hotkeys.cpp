#include "settings/hotkeys.h"

#include <array>

#include "core/text_utils.h"

namespace tazmel {
namespace {

struct NamedKey {
  int code;
  std::string_view name;
};

// The names that are not the key's own character or a numbered family.
constexpr std::array<NamedKey, 24> kNamedKeys = {{
    {33, "Page Up"}, {34, "Page Down"}, {35, "End"},    {36, "Home"},   {37, "Left"},   {38, "Up"},
    {39, "Right"},   {40, "Down"},      {106, "Num *"}, {107, "Num +"}, {109, "Num -"}, {110, "Num ."},
    {111, "Num /"},  {186, ";"},        {187, "="},     {188, ","},     {189, "-"},     {190, "."},
    {191, "/"},      {192, "`"},        {219, "["},     {220, "\\"},    {221, "]"},     {222, "'"},
}};

std::string ModifierText(int modifiers) {
  std::string text;
  if (modifiers & kModCtrl) text += "Ctrl + ";
  if (modifiers & kModAlt) text += "Alt + ";
  if (modifiers & kModShift) text += "Shift + ";
  return text;
}

bool IsFunctionKey(int key) { return key >= 112 && key <= 123; }

}  // namespace

std::string KeyName(int key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, static_cast<char>(key));
  if (key >= 96 && key <= 105) return "Num " + std::to_string(key - 96);
  if (IsFunctionKey(key)) return "F" + std::to_string(key - 111);
  for (const NamedKey& k : kNamedKeys) {
    if (k.code == key) return std::string(k.name);
  }
  return {};
}

int KeyCodeOfName(std::string_view name) {
  if (name.size() == 1) {
    const char c = name.front();
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')) return c;
    for (const NamedKey& k : kNamedKeys) {
      if (k.name == name) return k.code;
    }
    return 0;
  }
  for (const NamedKey& k : kNamedKeys) {
    if (k.name == name) return k.code;
  }
  if (name.find("Num ") != std::string_view::npos) {
    const std::size_t at = name.find("Num ") + 4;
    return at < name.size() && name[at] >= '0' && name[at] <= '9' ? 96 + (name[at] - '0') : 0;
  }
  if (name.starts_with("F")) {
    const std::optional<int> number = ParseInteger(name.substr(1));
    return number && *number >= 1 && *number <= 12 ? 111 + *number : 0;
  }
  return 0;
}

std::string HotkeyText(int modifiers, int key) {
  if (modifiers == 0 && key == 0) return {};
  return ModifierText(modifiers) + KeyName(key);
}

std::string HotkeyText(const HotkeyBinding& binding) { return HotkeyText(binding.modifiers, binding.key); }

HotkeyBinding ParseHotkeyText(std::string_view text) {
  HotkeyBinding binding;
  if (text.empty()) return binding;
  constexpr std::string_view kSeparator = " + ";
  for (;;) {
    const std::size_t at = text.find(kSeparator);
    // "Num +" ends in the separator's "+": the last part is what is left.
    if (at == std::string_view::npos) break;
    const std::string_view part = text.substr(0, at);
    if (part.find("Ctrl") != std::string_view::npos) binding.modifiers |= kModCtrl;
    if (part.find("Alt") != std::string_view::npos) binding.modifiers |= kModAlt;
    if (part.find("Shift") != std::string_view::npos) binding.modifiers |= kModShift;
    text.remove_prefix(at + kSeparator.size());
  }
  binding.key = KeyCodeOfName(text);
  return binding;
}

bool IsGlobalCombination(const HotkeyBinding& binding) {
  if (binding.key == 0 || KeyName(binding.key).empty()) return false;
  return (binding.modifiers & (kModCtrl | kModAlt)) != 0 || IsFunctionKey(binding.key);
}

std::optional<int> FindHotkey(const HotkeyBindings& bindings, const HotkeyBinding& pressed) {
  if (!pressed.IsSet()) return std::nullopt;
  for (int index : kHotkeyTestOrder) {
    if (bindings[index] == pressed) return index;
  }
  return std::nullopt;
}

std::optional<int> FindWindowShortcut(const HotkeyBindings& bindings, int key) {
  if (key == 0) return std::nullopt;
  for (int index : kHotkeyTestOrder) {
    if (bindings[index].key == key) return index;
  }
  return std::nullopt;
}

std::string CaptureText(int modifiers, int key) {
  const std::string name = KeyName(key);
  if (modifiers == 0 && !name.empty() && !IsFunctionKey(key)) modifiers = kModCtrl | kModAlt;
  return ModifierText(modifiers) + name;
}

}  // namespace tazmel
