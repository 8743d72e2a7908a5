#pragma once

#include <QStringList>
#include <filesystem>

class QWidget;

namespace tazmel {

class IniFile;

// Replaces a window's captions by name from a language file: the window's
// section holds its own caption under its own name, component texts under
// their object names, items as "name.Item<i>", list columns as
// "name.Col<i>", file filters as "name.Filter". Empty or missing values keep
// what is there. Tree views and custom painted controls are left alone.
//
// Radio groups are group boxes whose dynamic property "radioGroup" is true;
// their radio buttons, in child order, are the items. File dialogs a window
// keeps are QFileDialog children; their filter text uses the
// "Description|*.a;*.b|..." form.
bool TranslateWindow(QWidget& window, const std::filesystem::path& language_file);

// Same, from a language file already read.
void TranslateWindow(QWidget& window, const IniFile& language);

// "Text Files|*.txt|All Files|*.*" -> {"Text Files (*.txt)", "All Files (*)"}
QStringList NameFiltersFromFilterText(const QString& filter);

}  // namespace tazmel
