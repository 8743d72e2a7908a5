#pragma once

#include <QString>
#include <filesystem>
#include <string>

#include "design.h"

namespace tazmel::skins {

// The skin.ini text of a design.
std::string SkinIniText(const SkinDesign& design);

// Writes the design's skin folder (skin.ini, faces at 1x and 2x, digit
// strips, node and tray icons) into `folder`, creating it. Returns an empty
// string on success, otherwise what failed.
QString WriteSkin(const SkinDesign& design, const std::filesystem::path& folder);

}  // namespace tazmel::skins
