#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tazmel {

// What the update server's update.inf says.
struct UpdateInfo {
  std::string data_ver;  // [Data] Ver, trimmed
  std::string data_url;  // [Data] Url, trimmed, as written
  long long data_size = 0;
  std::string data_sha256;  // [Data] Sha256, lower-case hex; empty when none
  std::string app_ver;
  std::string app_url;
  std::string check_url;
  int check_int = 0;  // minutes
};

// Larger update.inf answers are refused as not one.
inline constexpr std::size_t kMaxUpdateInfBytes = 64 * 1024;
// Larger archives are refused before a byte is fetched.
inline constexpr long long kMaxArchiveBytes = 64ll << 20;

// The INI text of update.inf. Nothing when it holds no line at all.
std::optional<UpdateInfo> ParseUpdateInfo(std::string_view text);

// An address the server gave, made absolute against the base address
// ("http..." stays, anything else is appended to the base). Empty when the
// result is not an http or https address, or when it would take an https
// base down to http.
std::string ResolveServerAddress(std::string_view base, std::string_view address);

// True for "http://..." and "https://..." (ASCII case ignored).
bool IsWebAddress(std::string_view address);

}  // namespace tazmel
