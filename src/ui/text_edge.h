#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace tazmel {

// The one place where data-code-page bytes become Qt text and back.
QString FromGb(std::string_view gb);
std::string ToGb(const QString& text);

}  // namespace tazmel
