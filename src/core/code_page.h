#pragma once

#include <string>
#include <string_view>

namespace tazmel {

// Data files hold text in the data code page (GB18030, a superset of CP936).
// Logic keeps those bytes as they are; only the user-interface edge converts.

// Converts data-code-page bytes to UTF-8. Bytes that do not decode become
// U+FFFD so that a damaged file still shows what can be shown.
std::string GbToUtf8(std::string_view gb);

// Converts UTF-8 to data-code-page bytes. Invalid UTF-8 sequences become "?".
std::string Utf8ToGb(std::string_view utf8);

}  // namespace tazmel
