#pragma once

#include <string>
#include <string_view>

namespace tazmel {

// The SHA-256 digest of the bytes as 64 lower-case hex digits.
std::string Sha256Hex(std::string_view bytes);

}  // namespace tazmel
