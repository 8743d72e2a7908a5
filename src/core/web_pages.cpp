#include "core/web_pages.h"

namespace tazmel {

std::string HomePage() { return TAZMEL_HOME_PAGE; }
std::string SponsorPage() { return HomePage() + "/" + "sponsor.aspx"; }
std::string SkinsPage() { return HomePage() + "/skins/"; }
std::string HelpPage() { return HomePage() + "/help/"; }

}  // namespace tazmel
