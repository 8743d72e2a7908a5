#pragma once

#include <QString>
#include <filesystem>

#include "design.h"

namespace tazmel::skins {

// The program's icon in a hicolor theme folder: the skin's logo mark as
// PNGs of every usual size under <size>x<size>/apps/tazmel.png and as an
// SVG under scalable/apps/tazmel.svg, drawn from the same geometry. An
// error text, or empty.
QString WriteAppIcons(const Theme& theme, const std::filesystem::path& hicolor);

}  // namespace tazmel::skins
