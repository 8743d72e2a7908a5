#include "core/text_utils.h"

#include <algorithm>
#include <charconv>

namespace tazmel {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string AsciiLowerCopy(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(), AsciiLower);
  return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::string_view TrimControls(std::string_view text) {
  while (!text.empty() && IsBlankOrControl(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlankOrControl(text.back())) text.remove_suffix(1);
  return text;
}

bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t trail = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      trail = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      trail = 2;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      trail = 3;
    } else if (lead >= 0x80) {
      return false;
    }
    if (text.size() - i <= trail) return false;
    for (std::size_t k = 1; k <= trail; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += trail + 1;
  }
  return true;
}

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

std::optional<int> ParseInteger(std::string_view text) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return std::nullopt;
  }
  if (text.empty()) return std::nullopt;
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string CutFirst(std::string& text, std::string_view separator) {
  std::size_t at = separator.empty() ? text.npos : text.find(separator);
  if (at == text.npos) {
    std::string whole = std::move(text);
    text.clear();
    return whole;
  }
  std::string head = text.substr(0, at);
  text.erase(0, at + separator.size());
  return head;
}

std::string NthField(std::string_view text, int n, char separator) {
  if (n < 1) return {};
  for (int i = 1; i < n; ++i) {
    std::size_t at = text.find(separator);
    if (at == text.npos) return {};
    text.remove_prefix(at + 1);
  }
  return std::string(text.substr(0, text.find(separator)));
}

namespace {
// Zeros go between a minus sign and the digits; blanks go before the sign.
std::string Pad(long long number, int width, char fill) {
  std::string text = std::to_string(number);
  const std::size_t target = static_cast<std::size_t>(std::clamp(width, 0, 20));
  if (text.size() >= target) return text;
  const std::size_t at = (fill == '0' && number < 0) ? 1 : 0;
  text.insert(at, target - text.size(), fill);
  return text;
}
}  // namespace

std::string ZeroPad(long long number, int width) { return Pad(number, width, '0'); }
std::string SpacePad(long long number, int width) { return Pad(number, width, ' '); }

std::string UrlEncode(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 3);
  for (unsigned char c : text) {
    bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '*' || c == '-' ||
                c == '.' || c == '@' || c == '_';
    if (keep) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

bool IsPlainText(std::string_view text) {
  std::string lower = AsciiLowerCopy(text);
  return lower.find("html") == lower.npos && lower.find("head") == lower.npos && lower.find("body") == lower.npos;
}

std::string ReplaceAll(std::string_view text, std::string_view old_text, std::string_view new_text) {
  if (old_text.empty()) return std::string(text);
  std::string out;
  std::size_t pos = 0;
  for (std::size_t at; (at = text.find(old_text, pos)) != text.npos; pos = at + old_text.size()) {
    out.append(text.substr(pos, at - pos));
    out.append(new_text);
  }
  out.append(text.substr(pos));
  return out;
}

std::string CompleteWebAddress(std::string_view text) {
  if (text.empty()) return {};
  std::string out(text);
  if (out.back() != '/') out += '/';
  if (AsciiLowerCopy(out.substr(0, 4)) != "http") out.insert(0, "http://");
  return out;
}

std::pair<std::string, std::string> SplitHostPort(std::string_view text) {
  std::size_t at = text.find(':');
  if (at == text.npos) return {std::string(text), "8080"};
  return {std::string(text.substr(0, at)), std::string(text.substr(at + 1))};
}

int CompareVersion(std::string_view installed, std::string_view required) {
  // Each step takes the number before the first "."; a text without "." keeps
  // yielding its whole value, so "9.0" reads 9, 0, 0, ... and "6.0.8" reads
  // 6, 0, 8, 8, ...
  auto step = [](std::string_view& s) -> long long {
    std::size_t dot = s.find('.');
    std::string_view part = s.substr(0, dot);
    if (dot != s.npos) s.remove_prefix(dot + 1);
    long long v = 0;
    auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), v);
    return (ec == std::errc() && end == part.data() + part.size()) ? v : 0;
  };
  for (int i = 0; i < 34; ++i) {
    long long x = step(installed);
    long long y = step(required);
    if (x != y) return x > y ? 1 : -1;
  }
  return 0;
}

std::string FormatSlot(std::string_view pattern, std::string_view value) {
  std::string out;
  bool filled = false;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%') {
      out += pattern[i];
      continue;
    }
    if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
      out += '%';
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    while (j < pattern.size() && std::string_view("-+ #0123456789.lh").find(pattern[j]) != std::string_view::npos) ++j;
    if (j < pattern.size() && std::string_view("diusxXc").find(pattern[j]) != std::string_view::npos) {
      if (!filled) out += value;
      filled = true;
      i = j;
      continue;
    }
    out += '%';
  }
  return out;
}

}  // namespace tazmel
