#pragma once

#include <string>

namespace tazmel {

// The product's web pages, all below the home page address chosen at build
// time (CMake cache variable TAZMEL_HOME_PAGE).
std::string HomePage();
std::string SponsorPage();  // home + "/sponsor.aspx"
std::string SkinsPage();    // home + "/skins/"
std::string HelpPage();     // home + "/help/"

}  // namespace tazmel
