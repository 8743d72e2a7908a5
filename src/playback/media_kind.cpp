#include "playback/media_kind.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "core/text_utils.h"
#include "platform/registry.h"

namespace tazmel {
namespace {

// Every extension followed by a dot, so ".ext." finds a whole entry.
constexpr std::string_view kWindowsMediaExtensions =
    ".asf.wm.wma.wmv.wmd.avi.wav.snd.au.aif.aifc.aiff.mp3.asx.wax.m3u.wpl.wvx.wmx.mpeg.mpg.m1v.mp2.mpa.mpe.ifo.vob."
    "dvr-ms.mid.rmi.midi.tta.wmz.cda.mpv2.mp2v.";
constexpr std::string_view kRealPlayerExtensions =
    ".ra.rax.rm.rmvb.mp3.rmx.rmj.rms.wav.au.aiff.acp.m4a.m4p.rv.ram.rmm.rvx.rp.rtx.rt.mp2.mpa.mp1.mpga.mpg.mpeg.smi."
    "smil.m3u.pls.xpl.rmp.avi.aif.sdp.rv.rm33j.rjs.";

struct Component {
  std::string_view file;
  std::string_view class_id;
  // Reported when the component registry does not name a version: new
  // enough for every installation check.
  std::string_view default_version;
};

// In registration order.
constexpr std::array<Component, 3> kComponents{{
    {kRealPlayerFile, "{CFCDAA03-8BE4-11CF-B84B-0020AFBBCCFA}", "6.0.12.1675"},
    {kWmp9File, "{6BF52A52-394A-11D3-B153-00C04F79FAA6}", "12.0.19041.3636"},
    {kWmp6File, "{22D6F312-B0F6-11D0-94AB-0080C74C7E95}", "6.4.9.1133"},
}};

const Component* FindComponent(std::string_view file) {
  for (const Component& component : kComponents) {
    if (EqualsNoCase(component.file, file)) return &component;
  }
  return nullptr;
}

}  // namespace

std::string_view RealPlayerExtensions() { return kRealPlayerExtensions; }
std::string_view WindowsMediaExtensions() { return kWindowsMediaExtensions; }

bool IsDroppableLink(std::string_view link) {
  static constexpr std::string_view kAllowed[] = {"http",  "https", "mms",  "mmsh",  "mmst", "mmsu", "rtsp",
                                                  "rtspt", "rtspu", "rtmp", "rtmps", "pnm",  "file"};
  const std::size_t colon = link.find(':');
  if (colon == std::string_view::npos || colon == 0) return true;
  const std::string_view scheme = link.substr(0, colon);
  auto scheme_char = [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-';
  };
  // "radio.example:8000/live" is a host with a port, not a scheme.
  const char first = scheme.front();
  if (!((first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z')) ||
      !std::all_of(scheme.begin(), scheme.end(), scheme_char)) {
    return true;
  }
  return std::any_of(std::begin(kAllowed), std::end(kAllowed),
                     [&](std::string_view allowed) { return EqualsNoCase(scheme, allowed); });
}

bool IsPlayableFileName(std::string_view name) {
  const std::size_t slash = name.rfind('/');
  if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string entry = AsciiLowerCopy(name.substr(dot)) + ".";
  return kRealPlayerExtensions.find(entry) != std::string_view::npos ||
         kWindowsMediaExtensions.find(entry) != std::string_view::npos;
}

MediaKind MediaKindFromDigit(char digit) {
  return digit >= '0' && digit <= '4' ? static_cast<MediaKind>(digit) : MediaKind::kUnknown;
}

MediaKind MediaKindFromFormat(std::string_view format) {
  return format.empty() ? MediaKind::kUnknown : MediaKindFromDigit(format.front());
}

MediaKind GetMediaKind(std::string_view address) {
  const std::string text = AsciiLowerCopy(TrimControls(address));
  if (text.starts_with("rtsp:") || text.starts_with("pnm:")) return MediaKind::kRealPlayer;
  if (text.starts_with("mms:") || text.starts_with("mmst:")) return MediaKind::kWindowsMedia;
  // The extension runs from a last "." that no "\" or ":" follows; none at
  // all gives the needle "." alone, which the Windows Media list holds.
  const std::size_t last = text.find_last_of(".\\:");
  std::string needle = last != std::string::npos && text[last] == '.' ? text.substr(last) : std::string();
  needle += '.';
  if (kWindowsMediaExtensions.find(needle) != std::string_view::npos) return MediaKind::kWindowsMedia;
  if (kRealPlayerExtensions.find(needle) != std::string_view::npos) return MediaKind::kRealPlayer;
  return MediaKind::kUnknown;
}

std::string ControlRegistrationKey(std::string_view file) {
  const Component* component = FindComponent(file);
  if (!component) return {};
  return "HKEY_CLASSES_ROOT\\CLSID\\" + std::string(component->class_id) + "\\InprocServer32";
}

std::string GetFileVersionText(const Registry& registry, std::string_view file) {
  const std::optional<std::string> value = registry.ReadString(kComponentsKey, file);
  if (!value) {
    const Component* component = FindComponent(file);
    return component ? std::string(component->default_version) : std::string();
  }
  const std::string_view version = TrimBlanks(*value);
  return EqualsNoCase(version, "missing") ? std::string() : std::string(version);
}

bool IsWmp9Installed(const Registry& registry) {
  return CompareVersion(GetFileVersionText(registry, kWmp9File), "9.0") == 1;
}

bool IsRealPlayer608Installed(const Registry& registry) {
  return CompareVersion(GetFileVersionText(registry, kRealPlayerFile), "6.0.8") == 1;
}

void RegisterPlayerControls(Registry& registry) {
  for (const Component& component : kComponents) {
    const std::string key = ControlRegistrationKey(component.file);
    if (registry.KeyExists(key) || GetFileVersionText(registry, component.file).empty()) continue;
    // A failed write leaves the control unregistered, as a failed
    // self-registration would; nothing to report.
    registry.WriteString(key, Registry::kDefaultValue, component.file);
  }
}

bool IsControlCreatable(const Registry& registry, std::string_view file) {
  const std::string key = ControlRegistrationKey(file);
  return !key.empty() && !GetFileVersionText(registry, file).empty() && registry.KeyExists(key);
}

}  // namespace tazmel
