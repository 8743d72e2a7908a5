#pragma once

#include <string>
#include <string_view>

namespace tazmel {

class Registry;

// Media kinds share the digits of the player kinds: '0' not recognised,
// '1' RealPlayer media, '2' Windows Media.
char GetMediaKind(std::string_view address);

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
