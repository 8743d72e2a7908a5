#pragma once

#include <optional>
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

// The same, but nothing is replaced: nullopt when the text is not valid
// UTF-8, for callers that must refuse such input instead of storing "?".
std::optional<std::string> Utf8ToGbStrict(std::string_view utf8);

// Whether all the bytes decode in the data code page.
bool IsValidGb(std::string_view gb);

// Converts text in a named character set (as a web page declares it, say
// "utf-8", "big5", "iso-8859-1") to data-code-page bytes; a set iconv does
// not know counts as UTF-8. Bytes that do not decode become "?".
std::string CharsetToGb(std::string_view text, std::string_view charset);

}  // namespace tazmel
