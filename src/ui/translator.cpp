#include "ui/translator.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolTip>
#include <QTreeWidget>
#include <QVariant>

#include "core/ini_file.h"
#include "core/text_utils.h"
#include "ui/text_edge.h"

namespace tazmel {
namespace {

class Walker {
 public:
  Walker(const IniFile& language, const QString& section) : language_(language), section_(ToGb(section)) {}

  // Non-empty translated value of `key`, if the file has one.
  bool Lookup(const QString& key, QString& out) const {
    std::string value = language_.ReadString(section_, ToGb(key));
    if (value.empty()) return false;
    out = FromGb(value);
    return true;
  }

  template <typename Set>
  void Replace(const QString& key, Set set) const {
    QString text;
    if (Lookup(key, text)) set(text);
  }

  void Items(const QString& name, int count, auto set_item) const {
    for (int i = 0; i < count; ++i) {
      Replace(name + QStringLiteral(".Item") + QString::number(i), [&](const QString& t) { set_item(i, t); });
    }
  }

  void Translate(QObject& object) const {
    const QString name = object.objectName();
    if (!name.isEmpty()) TranslateOne(object, name);
    for (QObject* child : object.children()) {
      // A separate window translates itself with its own section.
      if (auto* w = qobject_cast<QWidget*>(child);
          w && w->isWindow() && !qobject_cast<QMenu*>(w) && !qobject_cast<QFileDialog*>(w)) {
        continue;
      }
      Translate(*child);
    }
  }

 private:
  void TranslateOne(QObject& object, const QString& name) const {
    if (auto* menu = qobject_cast<QMenu*>(&object)) {
      if (!menu->title().isEmpty()) Replace(name, [&](const QString& t) { menu->setTitle(t); });
    } else if (auto* action = qobject_cast<QAction*>(&object)) {
      if (!action->text().isEmpty()) Replace(name, [&](const QString& t) { action->setText(t); });
    } else if (auto* dialog = qobject_cast<QFileDialog*>(&object)) {
      if (!dialog->windowTitle().isEmpty()) Replace(name, [&](const QString& t) { dialog->setWindowTitle(t); });
      if (!dialog->nameFilters().isEmpty()) {
        Replace(name + QStringLiteral(".Filter"),
                [&](const QString& t) { dialog->setNameFilters(NameFiltersFromFilterText(t)); });
      }
    } else if (auto* label = qobject_cast<QLabel*>(&object)) {
      if (!label->text().isEmpty()) Replace(name, [&](const QString& t) { label->setText(t); });
    } else if (auto* button = qobject_cast<QAbstractButton*>(&object)) {
      if (!button->text().isEmpty()) Replace(name, [&](const QString& t) { button->setText(t); });
    } else if (auto* group = qobject_cast<QGroupBox*>(&object)) {
      if (!group->title().isEmpty()) Replace(name, [&](const QString& t) { group->setTitle(t); });
      if (group->property("radioGroup").toBool()) {
        QList<QRadioButton*> items = group->findChildren<QRadioButton*>(QString(), Qt::FindDirectChildrenOnly);
        Items(name, static_cast<int>(items.size()), [&](int i, const QString& t) { items[i]->setText(t); });
      }
    } else if (auto* edit = qobject_cast<QLineEdit*>(&object)) {
      if (!edit->text().isEmpty()) Replace(name, [&](const QString& t) { edit->setText(t); });
    } else if (auto* combo = qobject_cast<QComboBox*>(&object)) {
      Items(name, combo->count(), [&](int i, const QString& t) { combo->setItemText(i, t); });
    } else if (auto* tree = qobject_cast<QTreeWidget*>(&object)) {
      // A tree widget with a "listView" property is a list view; real trees
      // keep their data-driven captions.
      if (!tree->property("listView").toBool()) return;
      QTreeWidgetItem* header = tree->headerItem();
      for (int i = 0; i < tree->columnCount(); ++i) {
        Replace(name + QStringLiteral(".Col") + QString::number(i), [&](const QString& t) { header->setText(i, t); });
      }
      Items(name, tree->topLevelItemCount(), [&](int i, const QString& t) { tree->topLevelItem(i)->setText(0, t); });
    } else if (auto* list = qobject_cast<QListWidget*>(&object)) {
      Items(name, list->count(), [&](int i, const QString& t) { list->item(i)->setText(t); });
    } else if (auto* page = qobject_cast<QWidget*>(&object)) {
      // A tab sheet: its caption is the tab's text on the tab widget.
      auto* tabs = page->parentWidget() ? qobject_cast<QTabWidget*>(page->parentWidget()->parentWidget()) : nullptr;
      const int index = tabs ? tabs->indexOf(page) : -1;
      if (index >= 0 && !tabs->tabText(index).isEmpty()) {
        Replace(name, [&](const QString& t) { tabs->setTabText(index, t); });
      }
    }
  }

  const IniFile& language_;
  std::string section_;
};

void ApplyFont(QWidget& window, const IniFile& language) {
  const QFont hint = QToolTip::font();
  QFont font = window.font();
  const std::string family = language.ReadString("Font", "FontName");
  font.setFamily(family.empty() ? hint.family() : FromGb(family));
  const int size = language.ReadInteger("Font", "FontSize", 0);
  if (size > 0 && size < 200) {
    font.setPointSize(size);
  } else if (hint.pointSize() > 0) {
    font.setPointSize(hint.pointSize());
  }
  window.setFont(font);
}

}  // namespace

QStringList NameFiltersFromFilterText(const QString& filter) {
  QStringList parts = filter.split(u'|');
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(u';', u' ');
    patterns.replace(QStringLiteral("*.*"), QStringLiteral("*"));
    filters << parts[i] + QStringLiteral(" (") + patterns + u')';
  }
  return filters;
}

void TranslateWindow(QWidget& window, const IniFile& language) {
  ApplyFont(window, language);
  const QString section = window.objectName();
  Walker walker(language, section);
  walker.Replace(section, [&](const QString& t) { window.setWindowTitle(t); });
  for (QObject* child : window.children()) walker.Translate(*child);
}

bool TranslateWindow(QWidget& window, const std::filesystem::path& language_file) {
  IniFile language;
  switch (language.Load(language_file)) {
    case IniFile::LoadStatus::kLoaded:
      TranslateWindow(window, language);
      return true;
    case IniFile::LoadStatus::kMissing:
      return true;
    case IniFile::LoadStatus::kUnreadable:
      return false;
  }
  return false;
}

}  // namespace tazmel
