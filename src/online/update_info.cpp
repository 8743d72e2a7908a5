#include "online/update_info.h"

#include <cctype>

#include "core/ini_file.h"
#include "core/text_utils.h"

namespace tazmel {
namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::string Trimmed(const IniFile& ini, std::string_view section, std::string_view key) {
  return std::string(TrimBlanks(ini.ReadString(section, key)));
}

bool IsHexDigest(std::string_view text) {
  if (text.size() != 64) return false;
  for (const char c : text) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

}  // namespace

bool IsWebAddress(std::string_view address) {
  return StartsWithNoCase(address, "http://") || StartsWithNoCase(address, "https://");
}

std::optional<UpdateInfo> ParseUpdateInfo(std::string_view text) {
  bool any_line = false;
  ForEachLine(text, [&any_line](std::string_view) { any_line = true; });
  if (!any_line) return std::nullopt;
  const IniFile ini = IniFile::FromText(text);
  UpdateInfo info;
  info.data_ver = Trimmed(ini, "Data", "Ver");
  info.data_url = Trimmed(ini, "Data", "Url");
  const std::string size = Trimmed(ini, "Data", "Size");
  // A size that is not a plain decimal number (or passes the limit) is
  // taken as missing: nothing is downloaded then.
  if (!size.empty() && size.size() <= 18 && size.find_first_not_of("0123456789") == std::string::npos) {
    info.data_size = std::stoll(size);
  }
  const std::string sha = AsciiLowerCopy(Trimmed(ini, "Data", "Sha256"));
  // A digest that cannot be one still demands checking: it matches nothing.
  info.data_sha256 = sha.empty() || IsHexDigest(sha) ? sha : std::string("invalid");
  info.app_ver = Trimmed(ini, "App", "Ver");
  info.app_url = Trimmed(ini, "App", "Url");
  info.check_url = Trimmed(ini, "Check", "Url");
  info.check_int = ini.ReadInteger("Check", "Int", 0);
  return info;
}

std::string ResolveServerAddress(std::string_view base, std::string_view address) {
  std::string resolved;
  if (StartsWithNoCase(address, "http")) {
    resolved = std::string(address);
  } else {
    resolved = std::string(base) + std::string(address);
  }
  if (!IsWebAddress(resolved)) return {};
  if (StartsWithNoCase(base, "https://") && !StartsWithNoCase(resolved, "https://")) return {};
  return resolved;
}

}  // namespace tazmel
