#include "ui/text_edge.h"

#include "core/code_page.h"

namespace tazmel {

QString FromGb(std::string_view gb) { return QString::fromStdString(GbToUtf8(gb)); }

std::string ToGb(const QString& text) { return Utf8ToGb(text.toStdString()); }

}  // namespace tazmel
