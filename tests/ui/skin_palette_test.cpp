#include "ui/skins/skin_palette.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "ui/playlist/find_dialog.h"
#include "ui/qt_app.h"
#include "ui/skins/skin_state.h"

namespace tazmel {
namespace {

namespace fs = std::filesystem;

double Luminance(const QColor& c) { return (0.2126 * c.red() + 0.7152 * c.green() + 0.0722 * c.blue()) / 255.0; }

// Foreground against background, in every colour group that draws text.
void ExpectReadable(const QPalette& p, QPalette::ColorRole fore, QPalette::ColorRole back, const char* what) {
  for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    EXPECT_GE(std::abs(Luminance(p.color(group, fore)) - Luminance(p.color(group, back))), 0.4) << what;
  }
}

// The two shipped skins: one dark, one light; their menus and dialogs get
// the skin's side of light and dark, the tree's colours for lists and
// selections, and text that stands out everywhere.
TEST(SkinPaletteTest, ShippedSkins) {
  test::QtApp();
  struct Case {
    const char* name;
    bool dark;
  } cases[] = {{"Default", true}, {"Daylight", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SkinState skin;
    ASSERT_TRUE(skin.LoadSkin(fs::path(TAZMEL_STAGE_DIR) / "Skins", c.name));
    EXPECT_EQ(IsDarkSkin(skin), c.dark);
    const QPalette p = SkinPalette(skin);
    EXPECT_EQ(Luminance(p.color(QPalette::Window)) < 0.5, c.dark);
    EXPECT_EQ(Luminance(p.color(QPalette::Button)) < 0.5, c.dark);
    EXPECT_EQ(p.color(QPalette::Base), ToQColor(skin.Ini().tree.color));
    EXPECT_EQ(p.color(QPalette::Highlight), ToQColor(skin.Ini().tree.selected_item_back_color));
    ExpectReadable(p, QPalette::WindowText, QPalette::Window, "window text");
    ExpectReadable(p, QPalette::ButtonText, QPalette::Button, "button text");
    ExpectReadable(p, QPalette::Text, QPalette::Base, "text");
    ExpectReadable(p, QPalette::HighlightedText, QPalette::Highlight, "selected text");
    // Disabled text is set apart from enabled text.
    EXPECT_NE(p.color(QPalette::Disabled, QPalette::WindowText), p.color(QPalette::Active, QPalette::WindowText));

    // A dialog takes it down to its fields.
    QWidget owner;
    TfrmFind find(&owner);
    ApplySkinPalette(find, skin);
    auto* edit = find.findChild<QLineEdit*>(QStringLiteral("edtInput"));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->palette().color(QPalette::Base), p.color(QPalette::Base));
    if (const char* shots = std::getenv("TAZMEL_DIALOG_SHOTS"); shots != nullptr && *shots != '\0') {
      find.show();
      find.grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/palette_") + QString::fromLatin1(c.name) +
                       QStringLiteral(".png"));
    }
  }
}

// Applied to a window, the palette reaches the menus it holds, which are
// windows of their own; without a skin both go back to the desktop's.
TEST(SkinPaletteTest, AppliedAndWithdrawn) {
  test::QtApp();
  QWidget window;
  auto* menu = new QMenu(&window);
  QMenu* sub = menu->addMenu(QStringLiteral("Sub"));
  const QPalette desktop = QApplication::palette(menu);

  SkinState none;
  EXPECT_EQ(SkinPalette(none), QApplication::palette());
  SkinState skin;
  ASSERT_TRUE(skin.LoadSkin(fs::path(TAZMEL_STAGE_DIR) / "Skins", "Default"));
  ApplySkinPalette(window, skin);
  const QColor window_colour = SkinPalette(skin).color(QPalette::Window);
  for (QWidget* w : {&window, static_cast<QWidget*>(menu), static_cast<QWidget*>(sub)}) {
    EXPECT_EQ(w->palette().color(QPalette::Window), window_colour) << w->metaObject()->className();
  }
  ApplySkinPalette(window, none);
  EXPECT_EQ(menu->palette().color(QPalette::Window), desktop.color(QPalette::Window));
  EXPECT_EQ(sub->palette().color(QPalette::Window), desktop.color(QPalette::Window));
  EXPECT_EQ(window.palette().color(QPalette::Window), QApplication::palette(&window).color(QPalette::Window));
}

}  // namespace
}  // namespace tazmel
