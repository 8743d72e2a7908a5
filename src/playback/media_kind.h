#pragma once

#include <string>
#include <string_view>

namespace tazmel {

class Registry;

// What plays an address: classified from the address (kUnknown, kRealPlayer,
// kWindowsMedia) or asked for by the user or a station (also kWmp6, kWmp9).
// The values are the digits stations store in their format field and the
// settings in CurUserUrl; only those edges convert.
enum class MediaKind : char {
  kUnknown = '0',
  kRealPlayer = '1',
  kWindowsMedia = '2',
  kWmp6 = '3',
  kWmp9 = '4',
};

// '0'..'4' as a kind; anything else is kUnknown.
MediaKind MediaKindFromDigit(char digit);
inline char MediaKindDigit(MediaKind kind) { return static_cast<char>(kind); }
// The first character of a station's format field as a kind.
MediaKind MediaKindFromFormat(std::string_view format);

// kUnknown, kRealPlayer or kWindowsMedia from the address's prefix and
// extension.
MediaKind GetMediaKind(std::string_view address);

// Whether a dropped link may be played: its scheme is one of the network
// streaming schemes or file:, or it has none (a path or a bare host). Other
// schemes (the media library's own, like memory:// or fd://, and script or
// data links) are refused.
bool IsDroppableLink(std::string_view link);

// Whether a file name's extension (from its last ".", lower-cased) is one
// a player component plays; a name without one is not.
bool IsPlayableFileName(std::string_view name);
// The extensions each kind of component plays, as ".ra.rax.rm." (each
// followed by a dot).
std::string_view RealPlayerExtensions();
std::string_view WindowsMediaExtensions();

// The component files whose versions decide the player choice.
inline constexpr std::string_view kRealPlayerFile = "rmoc3260.dll";
inline constexpr std::string_view kWmp9File = "wmp.dll";
inline constexpr std::string_view kWmp6File = "msdxm.ocx";

// Registry key holding one value per component file: its version text. An
// absent value means the component is present in a version new enough for
// every check; an empty value or "missing" means the file is missing.
inline constexpr std::string_view kComponentsKey = "HKEY_LOCAL_MACHINE\\Software\\Tazmel\\Components";

// The key whose presence registers the component file's control
// ("HKEY_CLASSES_ROOT\CLSID\{...}\InprocServer32"); "" for other files.
std::string ControlRegistrationKey(std::string_view file);

// A component file's version as "a.b.c.d" from the component registry; ""
// when the component is missing.
std::string GetFileVersionText(const Registry& registry, std::string_view file);
bool IsWmp9Installed(const Registry& registry);
bool IsRealPlayer608Installed(const Registry& registry);
// Registers every present component that is not registered yet.
void RegisterPlayerControls(Registry& registry);
// A control can be created only when its file is present and registered.
bool IsControlCreatable(const Registry& registry, std::string_view file);

}  // namespace tazmel
